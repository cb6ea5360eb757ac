#pragma once
// Standard base64 (RFC 4648, with padding) as the key and signature files use it.

#include <string>

namespace zeva {

std::string Base64Encode(const std::string& bytes);

// Strict decoding: whitespace around the text is ignored, anything else that
// is not base64 (inner spaces or line breaks, bad padding, stray characters) fails.
bool Base64Decode(const std::string& text, std::string& bytes);

}  // namespace zeva
