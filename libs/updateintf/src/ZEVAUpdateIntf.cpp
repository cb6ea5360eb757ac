#include "ZEVAUpdateIntf.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>

#include "DownloadNotify.h"
#include "PartFile_p.h"
#include "platform/AppPath.h"
#include "platform/Clock.h"
#include "platform/InternetSettings.h"

namespace fs = std::filesystem;

namespace {

void GlobalInitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// A path as UTF-8 text for messages.
std::string PathText(const fs::path& p) {
    const std::u8string text = p.u8string();
    return std::string(text.begin(), text.end());
}

// Whether `line` starts with `name`, letters compared without case.
bool StartsWithNoCase(const std::string& line, const char* name) {
    const size_t n = std::strlen(name);
    if (line.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        const auto a = static_cast<unsigned char>(line[i]);
        const auto b = static_cast<unsigned char>(name[i]);
        if (std::tolower(a) != std::tolower(b)) return false;
    }
    return true;
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

// How one request ended.
enum class Outcome {
    Complete,  // the whole body is in the ".part" file
    Cut,       // the transfer broke off after an answer of 200/206; the ".part" may be continued
    Restart,   // the answer cannot continue the ".part": fetch the file again from its start
    Failed,    // this server cannot deliver the file
    Fatal      // no server may be asked any more (cancelled, too large, out of time)
};

struct Transfer {
    std::FILE* file = nullptr;
    CURL* curl = nullptr;
    HWND window = nullptr;
    UINT message = 0;
    std::chrono::steady_clock::time_point lastPost{};
    const std::function<bool()>* cancelled = nullptr;
    zeva::Clock::TimePoint deadline{};
    std::int64_t requestedFrom = 0;  // bytes kept in the ".part" when the request was sent
    std::int64_t expectedTotal = -1;
    std::int64_t cap = 0;  // largest size the file may reach
    // Decided at the first body byte: where the answer's bytes go, or whether they are dropped.
    bool decided = false;
    bool discard = false;
    std::int64_t base = 0;
    std::int64_t written = 0;
    std::string contentRange;
    bool writeFailed = false;
    bool tooLarge = false;
    bool badRange = false;
    bool timedOut = false;
    bool wasCancelled = false;
};

// "bytes A-B/T": A, B and T (-1 for "*").
bool ParseContentRange(const std::string& text, std::int64_t& first, std::int64_t& last,
                       std::int64_t& total) {
    long long a = 0;
    long long b = 0;
    char totalText[32] = {0};
    int consumed = 0;
    if (std::sscanf(text.c_str(), " bytes %lld-%lld/%31[0-9*]%n", &a, &b, totalText, &consumed) !=
        3) {
        return false;
    }
    if (a < 0 || b < a) return false;
    first = a;
    last = b;
    if (std::strcmp(totalText, "*") == 0) {
        total = -1;
    } else {
        char* end = nullptr;
        errno = 0;
        const long long t = std::strtoll(totalText, &end, 10);
        if (errno != 0 || end == totalText || *end != '\0' || t <= b) return false;
        total = t;
    }
    return true;
}

size_t ReadHeader(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    std::string line(data, n);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (line.rfind("HTTP/", 0) == 0) {
        t->contentRange.clear();
    } else if (line.size() > 14 && StartsWithNoCase(line, "Content-Range:")) {
        t->contentRange = line.substr(14);
    }
    return n;
}

// The first body byte tells what the answer is: the rest of the ".part", the whole file, or an
// error page that is not stored.
bool DecideWhereBytesGo(Transfer* t) {
    t->decided = true;
    long status = 0;
    curl_easy_getinfo(t->curl, CURLINFO_RESPONSE_CODE, &status);
    if (status == 200) {
        t->base = 0;
    } else if (status == 206 && t->requestedFrom > 0) {
        std::int64_t first = 0;
        std::int64_t last = 0;
        std::int64_t total = 0;
        if (!ParseContentRange(t->contentRange, first, last, total) || first != t->requestedFrom ||
            (t->expectedTotal >= 0 && total != t->expectedTotal)) {
            t->badRange = true;
            return false;
        }
        t->base = first;
    } else {
        t->discard = true;
        return true;
    }
    if (!zeva::TruncatePartFile(t->file, t->base)) {
        t->writeFailed = true;
        return false;
    }
    return true;
}

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (!t->decided && !DecideWhereBytesGo(t)) return 0;
    if (t->discard) return n;
    if (t->base + t->written + static_cast<std::int64_t>(n) > t->cap) {
        t->tooLarge = true;
        return 0;
    }
    if (std::fwrite(data, 1, n, t->file) != n) {
        t->writeFailed = true;
        return 0;
    }
    t->written += static_cast<std::int64_t>(n);
    return n;
}

int Progress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    if (t->cancelled != nullptr && *t->cancelled && (*t->cancelled)()) {
        t->wasCancelled = true;
        return 1;
    }
    if (zeva::GetClock().Now() >= t->deadline) {
        t->timedOut = true;
        return 1;
    }
    // Without a known total there is nothing a receiver could show; and
    // completion (wParam = lParam) is announced once, after the rename.
    if (t->window == nullptr || now <= 0 || total <= 0 || now >= total || t->discard) return 0;
    const auto clockNow = std::chrono::steady_clock::now();
    if (clockNow - t->lastPost < std::chrono::milliseconds(100)) return 0;
    t->lastPost = clockNow;
    zeva::PostDownloadMessage(t->window, t->message, static_cast<WPARAM>(t->base + now),
                              static_cast<LPARAM>(t->base + total));
    return 0;
}

std::int64_t FileSize(const fs::path& p) {
    std::error_code ec;
    const auto size = fs::file_size(p, ec);
    return ec ? -1 : static_cast<std::int64_t>(size);
}

}  // namespace

struct CZEVAUpdateIntf::Impl {
    std::vector<S_UpdateSerivceAddr> servers;
    bool useProxy = false;
    zeva::TransferLimits limits;
    std::function<bool()> cancelled;
    std::string lastError;
    bool resumed = false;
    bool tooLarge = false;

    std::string ProxyForRequest() const {
        if (!useProxy) return {};
        const zeva::InternetProxySettings s = zeva::ReadInternetProxySettings();
        if (!s.keyFound || !s.proxyServer || s.proxyServer->empty()) return {};
        if (s.proxyEnable && *s.proxyEnable == 0) return {};
        const std::string server = HttpProxyFromServerText(*s.proxyServer);
        return server.empty() ? std::string() : "http://" + server;
    }

    // One request against one server, continuing the `from` bytes kept in `part`.
    Outcome Fetch(const std::string& url, const fs::path& part, std::int64_t from, Transfer& t,
                  bool& reached) {
        std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(),
                                                                 &curl_easy_cleanup);
        if (!curl) {
            lastError = "cannot start a transfer";
            return Outcome::Failed;
        }
        std::unique_ptr<std::FILE, decltype(&std::fclose)> file(zeva::OpenPartFile(part),
                                                                &std::fclose);
        if (!file) {
            lastError = "cannot write " + PathText(part);
            return Outcome::Fatal;
        }
        std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 16);
        t.file = file.get();
        t.curl = curl.get();
        t.requestedFrom = from;
        t.decided = false;
        t.discard = false;
        t.base = 0;
        t.written = 0;
        t.contentRange.clear();
        t.writeFailed = false;
        t.badRange = false;
        const std::string proxy = ProxyForRequest();
        const std::string range = std::to_string(from) + "-";
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
        if (from > 0) curl_easy_setopt(c, CURLOPT_RANGE, range.c_str());
        curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &ReadHeader);
        curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
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
        // An answer without a body never reached the write callback.
        if (rc == CURLE_OK && !t.decided && (status == 200 || status == 206))
            DecideWhereBytesGo(&t);
        const bool flushed = std::fflush(file.get()) == 0 && std::ferror(file.get()) == 0;
        file.reset();
        t.file = nullptr;
        t.curl = nullptr;
        const std::string error = errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(rc);
        if (t.wasCancelled) {
            lastError = "cancelled";
            return Outcome::Fatal;
        }
        if (t.timedOut) {
            lastError = url + ": not complete within the time allowed for its size";
            return Outcome::Fatal;
        }
        if (t.tooLarge) {
            tooLarge = true;
            lastError = url + ": larger than the expected " + std::to_string(t.cap) + " bytes";
            return Outcome::Fatal;
        }
        if (t.writeFailed || !flushed) {
            lastError = "cannot write " + PathText(part);
            return Outcome::Fatal;
        }
        if (t.badRange || (from > 0 && status == 416)) {
            lastError = url + ": the server cannot continue the partial file";
            return Outcome::Restart;
        }
        const bool answered = status == 200 || (status == 206 && from > 0);
        if (!answered) {
            lastError = rc != CURLE_OK && status == 0
                            ? url + ": " + error
                            : url + ": HTTP status " + std::to_string(status);
            return Outcome::Failed;
        }
        if (rc != CURLE_OK) {
            lastError = url + ": " + error;
            return t.written > 0 ? Outcome::Cut : Outcome::Failed;
        }
        if (status == 206) resumed = true;
        return Outcome::Complete;
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

namespace zeva {

std::int64_t TransferTimeBudgetMs(const TransferLimits& limits, std::int64_t expectedSize) {
    const double rate = static_cast<double>(std::max<long>(1, limits.totalTimeBytesPerSecond));
    const double sizeMs =
        expectedSize > 0 ? static_cast<double>(expectedSize) * 1000.0 / rate : 0.0;
    // Bounded, so that an absurd SIZE cannot overflow the deadline.
    return static_cast<std::int64_t>(
        std::min(1e12, static_cast<double>(std::max<long>(0, limits.totalTimeFloorMs)) + sizeMs));
}

}  // namespace zeva

bool CZEVAUpdateIntf::LastTransferResumed() const {
    return d_->resumed;
}

bool CZEVAUpdateIntf::LastTransferTooLarge() const {
    return d_->tooLarge;
}

int CZEVAUpdateIntf::GetRemoteFile(unsigned updateType, const char* remoteName,
                                   const char* localPath, HWND notifyWindow, unsigned notifyMessage,
                                   std::int64_t expectedSize) {
    try {
        d_->lastError.clear();
        d_->resumed = false;
        d_->tooLarge = false;
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
        const zeva::TransferLimits& limits = d_->limits;
        const bool sizeKnown = expectedSize >= 0;
        // Without a size there is no digest a continued file could be checked against.
        std::int64_t kept = FileSize(part);
        if (kept > 0 && (!sizeKnown || kept >= expectedSize)) kept = 0;
        if (kept <= 0) {
            std::error_code ec;
            fs::remove(part, ec);
            kept = 0;
        }
        Transfer t;
        t.window = notifyWindow;
        t.message = notifyMessage;
        t.cancelled = &d_->cancelled;
        t.expectedTotal = expectedSize;
        t.cap = sizeKnown ? expectedSize : limits.unknownSizeCap;
        t.deadline = zeva::GetClock().Now() +
                     std::chrono::milliseconds(zeva::TransferTimeBudgetMs(limits, expectedSize));
        bool reached = false;
        bool tried = false;
        bool fatal = false;
        bool restarted = false;
        for (const S_UpdateSerivceAddr& server : d_->servers) {
            if (fatal) break;
            if (server.address.empty() || server.port == 0) continue;
            if (d_->cancelled && d_->cancelled()) {
                d_->lastError = "cancelled";
                break;
            }
            tried = true;
            // A literal IPv6 address needs brackets inside a URL.
            const std::string host = server.address.find(':') != std::string::npos
                                         ? "[" + server.address + "]"
                                         : server.address;
            const std::string url = "http://" + host + ":" + std::to_string(server.port) + path;
            int resumesLeft = limits.resumeAttempts;
            while (true) {
                const Outcome outcome = d_->Fetch(url, part, kept, t, reached);
                if (outcome == Outcome::Complete) {
                    const std::int64_t size = FileSize(part);
                    std::error_code ec;
                    fs::rename(part, target, ec);
                    if (ec) {
                        d_->lastError = "cannot store " + PathText(target) + ": " + ec.message();
                        fs::remove(part, ec);
                        return -1;
                    }
                    if (notifyWindow != nullptr) {
                        zeva::PostDownloadMessage(notifyWindow, notifyMessage,
                                                  static_cast<WPARAM>(size),
                                                  static_cast<LPARAM>(size));
                    }
                    return 0;
                }
                if (outcome == Outcome::Fatal) {
                    fatal = true;
                    break;
                }
                if (outcome == Outcome::Restart && !restarted) {
                    restarted = true;
                    kept = 0;
                    continue;
                }
                if (outcome == Outcome::Cut && sizeKnown) {
                    kept = std::max<std::int64_t>(0, FileSize(part));
                    if (resumesLeft-- > 0) continue;
                } else if (outcome != Outcome::Failed) {
                    kept = 0;
                }
                break;
            }
            if (!sizeKnown) kept = 0;
        }
        std::error_code ec;
        fs::remove(part, ec);
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
