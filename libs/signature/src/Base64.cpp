#include "Base64.h"

#include <openssl/evp.h>

#include <vector>

namespace zeva {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsBase64Char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

}  // namespace

std::string Base64Encode(const std::string& bytes) {
    std::vector<unsigned char> out(4 * ((bytes.size() + 2) / 3) + 1);
    const int n = EVP_EncodeBlock(out.data(), reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<int>(bytes.size()));
    return std::string(reinterpret_cast<const char*>(out.data()),
                       n > 0 ? static_cast<size_t>(n) : 0);
}

bool Base64Decode(const std::string& text, std::string& bytes) {
    bytes.clear();
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsSpace(text[begin])) ++begin;
    while (end > begin && IsSpace(text[end - 1])) --end;
    const std::string body = text.substr(begin, end - begin);
    if (body.empty() || body.size() % 4 != 0) return false;
    // OpenSSL's block decoder skips some characters and pads silently; the
    // alphabet and the padding are checked here first.
    size_t padding = 0;
    for (size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '=') {
            if (i + 2 < body.size()) return false;
            ++padding;
        } else if (padding > 0 || !IsBase64Char(c)) {
            return false;
        }
    }
    std::vector<unsigned char> out(body.size() / 4 * 3 + 1);
    const int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(body.data()),
                                  static_cast<int>(body.size()));
    if (n < 0 || static_cast<size_t>(n) < padding) return false;
    bytes.assign(reinterpret_cast<const char*>(out.data()), static_cast<size_t>(n) - padding);
    // Only the canonical form is accepted: unused bits of the last character must be zero.
    return Base64Encode(bytes) == body;
}

}  // namespace zeva
