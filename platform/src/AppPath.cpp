#include "platform/AppPath.h"

#include "platform/CodePage.h"

namespace zeva {

namespace fs = std::filesystem;

std::string ApplicationPathAcp() {
    std::string dir = AcpPath(ApplicationDirectory());
    if (dir.empty() || dir.back() != kPathSeparator) dir.push_back(kPathSeparator);
    return dir;
}

fs::path NativePath(std::string_view acpPath) {
    // Map separators after conversion: in GBK a trail byte may be 0x5C, which
    // is only a backslash once the text is UTF-8.
    std::string utf8 = AcpToUtf8(acpPath);
    if constexpr (kPathSeparator == '/') {
        for (char& c : utf8) {
            if (c == '\\') c = '/';
        }
    }
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string AcpPath(const fs::path& path) {
    const std::u8string u8 = path.u8string();
    return Utf8ToAcp(std::string_view(reinterpret_cast<const char*>(u8.data()), u8.size()));
}

}  // namespace zeva
