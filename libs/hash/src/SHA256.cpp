#include "SHA256.h"

#include "FileDigest_p.h"

int CSHA256::GetFileSHA256(const char* path, std::string& out) {
    return zeva::hash::FileDigestHex(path, EVP_sha256(), out);
}

int CSHA256::GetBytesSHA256(const std::string& data, std::string& out) {
    return zeva::hash::BytesDigestHex(data.data(), data.size(), EVP_sha256(), out);
}
