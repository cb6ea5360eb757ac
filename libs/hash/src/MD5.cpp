#include "MD5.h"

#include <cstring>

#include "FileDigest_p.h"

int CMD5::GetFileMD5(const char* path, std::string& out) {
    return zeva::hash::FileDigestHex(path, EVP_md5(), out);
}

int CMD5::GetStringMD5(const char* text, std::string& out) {
    const char* s = text != nullptr ? text : "";
    return zeva::hash::BytesDigestHex(s, std::strlen(s), EVP_md5(), out);
}
