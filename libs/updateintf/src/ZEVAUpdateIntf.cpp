#include "ZEVAUpdateIntf.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>

#include "DownloadNotify.h"
#include "platform/AppPath.h"
#include "platform/InternetSettings.h"

namespace fs = std::filesystem;

namespace {

void GlobalInitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// "http=a:1;https=b:2" (per-scheme form of the Internet Settings) or "a:1".
std::string HttpProxyFromServerText(const std::string& text) {
    if (text.find('=') == std::string::npos) return text;
    size_t pos = 0;
    while (pos <= text.size()) {
        const size_t end = text.find(';', pos);
        const std::string item =
            text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (item.rfind("http=", 0) == 0) return item.substr(5);
        if (end == std::string::npos) break;
        pos = end + 1;
    }
    return {};
}

struct Transfer {
    std::FILE* file = nullptr;
    HWND window = nullptr;
    UINT message = 0;
    std::chrono::steady_clock::time_point lastPost{};
    bool writeFailed = false;
    const std::function<bool()>* cancelled = nullptr;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (std::fwrite(data, 1, n, t->file) != n) {
        t->writeFailed = true;
        return 0;
    }
    return n;
}

int Progress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    if (t->cancelled != nullptr && *t->cancelled && (*t->cancelled)()) return 1;
    // Without a known total there is nothing a receiver could show; and
    // completion (wParam = lParam) is announced once, after the rename.
    if (t->window == nullptr || now <= 0 || total <= 0 || now >= total) return 0;
    const auto clockNow = std::chrono::steady_clock::now();
    if (clockNow - t->lastPost < std::chrono::milliseconds(100)) return 0;
    t->lastPost = clockNow;
    zeva::PostDownloadMessage(t->window, t->message, static_cast<WPARAM>(now),
                              static_cast<LPARAM>(total));
    return 0;
}

}  // namespace

struct CZEVAUpdateIntf::Impl {
    std::vector<S_UpdateSerivceAddr> servers;
    bool useProxy = false;
    zeva::TransferLimits limits;
    std::function<bool()> cancelled;
    std::string lastError;

    std::string ProxyForRequest() const {
        if (!useProxy) return {};
        const zeva::InternetProxySettings s = zeva::ReadInternetProxySettings();
        if (!s.keyFound || !s.proxyServer || s.proxyServer->empty()) return {};
        if (s.proxyEnable && *s.proxyEnable == 0) return {};
        const std::string server = HttpProxyFromServerText(*s.proxyServer);
        return server.empty() ? std::string() : "http://" + server;
    }

    // One attempt against one server; true with the body complete in `part`.
    bool Fetch(const std::string& url, const fs::path& part, Transfer& t, bool& reached,
               curl_off_t& size) {
        std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(),
                                                                 &curl_easy_cleanup);
        if (!curl) {
            lastError = "cannot start a transfer";
            return false;
        }
        std::unique_ptr<std::FILE, decltype(&std::fclose)> file(std::fopen(part.c_str(), "wb"),
                                                                &std::fclose);
        if (!file) {
            lastError = "cannot write " + part.string();
            return false;
        }
        std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 16);
        t.file = file.get();
        t.writeFailed = false;
        const std::string proxy = ProxyForRequest();
        char errorBuffer[CURL_ERROR_SIZE] = {0};
        CURL* c = curl.get();
        curl_easy_setopt(c, CURLOPT_URL, url.c_str());
        curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
        curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http");
        curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
        // An empty proxy text means "direct", also against http_proxy in the environment.
        curl_easy_setopt(c, CURLOPT_PROXY, proxy.c_str());
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, limits.connectTimeoutMs);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytesPerSecond);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, limits.lowSpeedSeconds);
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &WriteBody);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Progress);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(c, CURLOPT_BUFFERSIZE, 256L * 1024L);
        const CURLcode rc = curl_easy_perform(c);
        long status = 0;
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
        if (status != 0) reached = true;
        const bool flushed = std::fflush(file.get()) == 0 && std::ferror(file.get()) == 0;
        file.reset();
        t.file = nullptr;
        if (rc != CURLE_OK) {
            lastError =
                url + ": " + (errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(rc));
            return false;
        }
        if (status != 200) {
            lastError = url + ": HTTP status " + std::to_string(status);
            return false;
        }
        if (t.writeFailed || !flushed) {
            lastError = "cannot write " + part.string();
            return false;
        }
        curl_off_t got = 0;
        curl_easy_getinfo(c, CURLINFO_SIZE_DOWNLOAD_T, &got);
        size = got;
        return true;
    }
};

CZEVAUpdateIntf::CZEVAUpdateIntf(const std::vector<S_UpdateSerivceAddr>& servers, bool useProxy)
    : d_(new Impl) {
    GlobalInitOnce();
    d_->servers = servers;
    d_->useProxy = useProxy;
}

CZEVAUpdateIntf::~CZEVAUpdateIntf() {
    delete d_;
}

const std::string& CZEVAUpdateIntf::GetLastErrorInfo() const {
    return d_->lastError;
}

void CZEVAUpdateIntf::SetTransferLimits(const zeva::TransferLimits& limits) {
    d_->limits = limits;
}

void CZEVAUpdateIntf::SetCancelCheck(std::function<bool()> cancelled) {
    d_->cancelled = std::move(cancelled);
}

int CZEVAUpdateIntf::GetRemoteFile(unsigned updateType, const char* remoteName,
                                   const char* localPath, HWND notifyWindow,
                                   unsigned notifyMessage) {
    try {
        d_->lastError.clear();
        if (remoteName == nullptr || *remoteName == '\0' || localPath == nullptr ||
            *localPath == '\0') {
            d_->lastError = "no file name given";
            return -1;
        }
        const std::string path =
            "/" + std::to_string(updateType) + "/" + zeva::EncodeRemotePath(remoteName);
        const fs::path target = zeva::NativePath(localPath);
        fs::path part = target;
        part += ".part";
        Transfer t;
        t.window = notifyWindow;
        t.message = notifyMessage;
        t.cancelled = &d_->cancelled;
        bool reached = false;
        bool tried = false;
        for (const S_UpdateSerivceAddr& server : d_->servers) {
            if (server.address.empty() || server.port == 0) continue;
            if (d_->cancelled && d_->cancelled()) {
                d_->lastError = "cancelled";
                return -1;
            }
            tried = true;
            // A literal IPv6 address needs brackets inside a URL.
            const std::string host = server.address.find(':') != std::string::npos
                                         ? "[" + server.address + "]"
                                         : server.address;
            const std::string url = "http://" + host + ":" + std::to_string(server.port) + path;
            curl_off_t size = 0;
            if (d_->Fetch(url, part, t, reached, size)) {
                std::error_code ec;
                fs::rename(part, target, ec);
                if (ec) {
                    d_->lastError = "cannot store " + target.string() + ": " + ec.message();
                    fs::remove(part, ec);
                    return -1;
                }
                if (notifyWindow != nullptr) {
                    zeva::PostDownloadMessage(notifyWindow, notifyMessage,
                                              static_cast<WPARAM>(size), static_cast<LPARAM>(size));
                }
                return 0;
            }
            std::error_code ec;
            fs::remove(part, ec);
        }
        if (d_->cancelled && d_->cancelled()) {
            d_->lastError = "cancelled";
            return -1;
        }
        if (!tried) d_->lastError = "no update server configured";
        if (!reached && notifyWindow != nullptr) {
            zeva::PostDownloadMessage(notifyWindow, notifyMessage, 0, -1);
        }
        return -1;
    } catch (const std::exception& e) {
        d_->lastError = e.what();
        return -1;
    } catch (...) {
        d_->lastError = "unexpected failure";
        return -1;
    }
}
