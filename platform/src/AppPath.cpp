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
    return PathFromUtf8(utf8).make_preferred();
}

std::string AcpPath(const fs::path& path) {
    return Utf8ToAcp(Utf8Path(path));
}

fs::path PathFromUtf8(std::string_view utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Path(const fs::path& path) {
    const std::u8string u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

std::string GenericUtf8Path(const fs::path& path) {
    const std::u8string u8 = path.generic_u8string();
    return std::string(u8.begin(), u8.end());
}

}  // namespace zeva
