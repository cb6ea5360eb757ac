#include "FileDigest_p.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "platform/AppPath.h"

namespace zeva::hash {

namespace {

using DigestCtx = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

std::string Hex(const unsigned char* digest, unsigned int len) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(len * 2);
    for (unsigned int i = 0; i < len; ++i) {
        out.push_back(kDigits[digest[i] >> 4]);
        out.push_back(kDigits[digest[i] & 0xF]);
    }
    return out;
}

}  // namespace

int FileDigestHex(const char* path, const EVP_MD* md, std::string& out) {
    out.clear();
    if (path == nullptr) return -1;
    const int fd = ::open(zeva::NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    DigestCtx ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    bool ok = ctx && EVP_DigestInit_ex(ctx.get(), md, nullptr) == 1;
    constexpr size_t kBlock = 256 * 1024;
    std::vector<unsigned char> buf(kBlock);
    while (ok) {
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        ok = EVP_DigestUpdate(ctx.get(), buf.data(), static_cast<size_t>(n)) == 1;
    }
    ::close(fd);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (!ok || EVP_DigestFinal_ex(ctx.get(), digest, &len) != 1) return -1;
    out = Hex(digest, len);
    return 0;
}

int BytesDigestHex(const void* data, size_t size, const EVP_MD* md, std::string& out) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (EVP_Digest(data, size, digest, &len, md, nullptr) != 1) {
        out.clear();
        return -1;
    }
    out = Hex(digest, len);
    return 0;
}

}  // namespace zeva::hash
