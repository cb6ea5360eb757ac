#pragma once
// The one reading loop behind the file digests: constant memory, lower-case hex.

#include <openssl/evp.h>

#include <string>

namespace zeva::hash {

// Digest of a file's content with `md`; 0, or -1 with `out` empty when it cannot be read.
int FileDigestHex(const char* path, const EVP_MD* md, std::string& out);
// Digest of `size` bytes at `data`.
int BytesDigestHex(const void* data, size_t size, const EVP_MD* md, std::string& out);

}  // namespace zeva::hash
