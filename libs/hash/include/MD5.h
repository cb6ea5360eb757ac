#pragma once
// MD5 digests as lower-case hexadecimal text (32 characters), the form the
// update catalogs carry.

#include <string>

class CMD5 {
public:
    // Digest of a file's content, read in fixed-size blocks (constant memory).
    // Returns 0, or -1 with `out` empty when the file cannot be read.
    static int GetFileMD5(const char* path, std::string& out);
    // Digest of the bytes of a text up to its terminating zero; null counts as empty.
    static int GetStringMD5(const char* text, std::string& out);
};
