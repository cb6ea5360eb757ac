#include "DownloadNotify.h"

#include <mutex>

#include "platform/CodePage.h"
#include "platform/MessageQueue.h"

namespace zeva {

namespace {

std::mutex& PosterMutex() {
    static std::mutex m;
    return m;
}

PostMessageFunction& Poster() {
    static PostMessageFunction poster;
    return poster;
}

bool Unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

}  // namespace

void SetDownloadMessagePoster(PostMessageFunction poster) {
    const std::lock_guard lock(PosterMutex());
    Poster() = std::move(poster);
}

BOOL PostDownloadMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessageFunction poster;
    {
        const std::lock_guard lock(PosterMutex());
        poster = Poster();
    }
    if (!poster) return PostMessage(window, message, wParam, lParam);
    return poster(window, message, wParam, lParam);
}

std::string EncodeRemotePath(const std::string& acpName) {
    // Separators are found in the UTF-8 text: a GBK trail byte may be 0x5C.
    const std::string utf8 = AcpToUtf8(acpName);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size() * 3);
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\' || c == '/') {
            out.push_back('/');
        } else if (Unreserved(c)) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        }
    }
    return out;
}

}  // namespace zeva
