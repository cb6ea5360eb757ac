#pragma once
// SHA-256 digests as lower-case hexadecimal text (64 characters), the form
// signed catalogs carry beside the MD5.

#include <string>

class CSHA256 {
public:
    // Digest of a file's content, read in fixed-size blocks (constant memory).
    // Returns 0, or -1 with `out` empty when the file cannot be read.
    static int GetFileSHA256(const char* path, std::string& out);
    // Digest of the bytes of `data` (NUL bytes included).
    static int GetBytesSHA256(const std::string& data, std::string& out);
};
