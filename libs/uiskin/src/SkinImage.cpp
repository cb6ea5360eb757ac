#include "SkinImage.h"

#include <unistd.h>

#include <cerrno>

#include <map>
#include <mutex>

#include "platform/AppPath.h"
#include "platform/RegularFile.h"

namespace zeva::ui {

namespace {

std::mutex g_mutex;
std::map<std::pair<HMODULE, UINT>, SkinImageInfo> g_images;

// The default skin's reading of the image ids the windows share: the page
// base's close cross and bullets, the main windows' caption buttons and
// status pictures. Everything else is drawn from the role it is used in.
SkinImageInfo DefaultInfo(UINT id) {
    switch (id) {
        case 649:
        case 650:
        case 651:
        case 14035:
        case 14036:
        case 14037:
            return {SkinGlyph::Close, {}, {}};
        case 14038:
        case 14039:
        case 14040:
            return {SkinGlyph::Minimise, {}, {}};
        case 750:
            return {SkinGlyph::Bullet, {8, 8}, {}};
        case 14072:
            return {SkinGlyph::Info, {}, {}};
        case 14097:
            return {SkinGlyph::Success, {}, {}};
        case 14100:
            return {SkinGlyph::Failure, {}, {}};
        default:
            return {};
    }
}

std::uint32_t BigEndian32(const unsigned char* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

}  // namespace

void RegisterSkinImage(HMODULE module, UINT id, SkinImageInfo info) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_images[{module, id}] = std::move(info);
}

SkinImage ResourceImage(HMODULE module, UINT id) {
    SkinImage img;
    img.module = module;
    img.resourceId = id;
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_images.find({module, id});
    if (it == g_images.end()) it = g_images.find({nullptr, id});
    img.info = it != g_images.end() ? it->second : DefaultInfo(id);
    if (!img.info.file.empty() && img.info.size.cx == 0) img.info.size = PngFileSize(img.info.file);
    return img;
}

SkinImage FileImage(const std::string& path) {
    SkinImage img;
    img.file = Utf8Path(NativePath(path));
    img.info.file = img.file;
    img.info.size = PngFileSize(img.file);
    return img;
}

CSize PngFileSize(const std::string& nativePath) {
    const int fd = OpenRegularFile(PathFromUtf8(nativePath));
    if (fd < 0) return {};
    unsigned char head[24] = {};
    std::size_t got = 0;
    while (got < sizeof head) {
        // The count is an unsigned int on Windows.
        const auto n = ::read(fd, head + got, static_cast<unsigned>(sizeof head - got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (got < sizeof head) return {};
    static const unsigned char kSig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (int i = 0; i < 8; ++i) {
        if (head[i] != kSig[i]) return {};
    }
    if (head[12] != 'I' || head[13] != 'H' || head[14] != 'D' || head[15] != 'R') return {};
    const std::uint32_t w = BigEndian32(head + 16);
    const std::uint32_t h = BigEndian32(head + 20);
    if (w == 0 || h == 0 || w > 16384 || h > 16384) return {};
    return {static_cast<int>(w), static_cast<int>(h)};
}

}  // namespace zeva::ui
