#include "FileDigest_p.h"

#include <memory>

#include "FileBlocks_p.h"
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
    DigestCtx ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1) return -1;
    constexpr size_t kBlock = 256 * 1024;
    const bool ok = ReadFileBlocks(zeva::NativePath(path), kBlock,
                                   [&ctx](const unsigned char* data, size_t size) {
                                       return EVP_DigestUpdate(ctx.get(), data, size) == 1;
                                   });
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
