#include "CodePage_p.h"
#include "platform/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zeva {
namespace {

constexpr char kDefaultAcp[] = "GBK";
constexpr char kWide[] = "UTF-32LE";  // fixed width: one unit per character
constexpr char kDefaultChar = '?';

// One converter per direction and thread, reopened when ZEVA_ACP changes.
class Converter {
public:
    Converter() = default;
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() { Close(); }

    bool Open(const char* to, const char* from) {
        if (cd_ != reinterpret_cast<iconv_t>(-1) && to_ == to && from_ == from) {
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
            return true;
        }
        Close();
        cd_ = iconv_open(to, from);
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
        to_ = to;
        from_ = from;
        return true;
    }

    iconv_t Handle() const { return cd_; }

private:
    void Close() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
        cd_ = reinterpret_cast<iconv_t>(-1);
    }

    iconv_t cd_ = reinterpret_cast<iconv_t>(-1);
    std::string to_;
    std::string from_;
};

std::string_view UpToNul(std::string_view s) {
    const auto nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

// Why a checked conversion failed; empty while it holds.
struct Failure {
    std::string* reason = nullptr;  // null: convert lossily instead
    bool Checked() const { return reason != nullptr; }
    void Set(std::string text) {
        if (reason->empty()) *reason = std::move(text);
    }
};

// Multi-byte text to UTF-32LE. An invalid or truncated sequence yields one
// default character per offending byte, so nothing after it is lost; a
// checked conversion stops there instead.
std::u32string Decode(Converter& conv, const std::string& from, std::string_view in,
                      Failure failure = {}) {
    std::u32string out;
    if (!conv.Open(kWide, from.c_str())) {
        if (failure.Checked()) {
            failure.Set("unknown code page '" + from + "'");
            return out;
        }
        // Unknown code page: keep ASCII, replace everything else.
        for (unsigned char c : in)
            out.push_back(c < 0x80 ? c : static_cast<char32_t>(kDefaultChar));
        return out;
    }
    out.resize(in.size());
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = reinterpret_cast<char*>(out.data());
    size_t dstLeft = out.size() * sizeof(char32_t);
    while (srcLeft > 0) {
        const size_t rc = iconv(conv.Handle(), &src, &srcLeft, &dst, &dstLeft);
        if (rc != static_cast<size_t>(-1)) break;
        if ((errno == EILSEQ || errno == EINVAL) && failure.Checked()) {
            failure.Set("text is not valid " + from + " (byte " +
                        std::to_string(in.size() - srcLeft + 1) + ")");
            return out;
        }
        if (errno == EILSEQ || errno == EINVAL) {
            // dstLeft always has room: one UTF-32 unit per input byte at most.
            const char32_t repl = static_cast<char32_t>(kDefaultChar);
            std::memcpy(dst, &repl, sizeof repl);
            dst += sizeof repl;
            dstLeft -= sizeof repl;
            ++src;
            --srcLeft;
            iconv(conv.Handle(), nullptr, nullptr, nullptr, nullptr);
        } else {
            break;
        }
    }
    out.resize(out.size() - dstLeft / sizeof(char32_t));
    return out;
}

// UTF-32LE to multi-byte text; a character the target cannot hold becomes
// the default character, or fails a checked conversion.
std::string Encode(Converter& conv, const std::string& to, const std::u32string& in,
                   Failure failure = {}) {
    std::string out;
    if (!conv.Open(to.c_str(), kWide)) {
        if (failure.Checked()) {
            failure.Set("unknown code page '" + to + "'");
            return out;
        }
        for (char32_t c : in) out.push_back(c < 0x80 ? static_cast<char>(c) : kDefaultChar);
        return out;
    }
    // Stateful encodings may need room for shift sequences; grow on E2BIG.
    out.resize(in.size() * 4 + 16);
    char* src = reinterpret_cast<char*>(const_cast<char32_t*>(in.data()));
    size_t srcLeft = in.size() * sizeof(char32_t);
    size_t used = 0;
    for (;;) {
        char* dst = out.data() + used;
        size_t dstLeft = out.size() - used;
        size_t rc = srcLeft == 0 ? iconv(conv.Handle(), nullptr, nullptr, &dst, &dstLeft)
                                 : iconv(conv.Handle(), &src, &srcLeft, &dst, &dstLeft);
        used = out.size() - dstLeft;
        if (rc != static_cast<size_t>(-1)) {
            if (srcLeft == 0) {
                // Flush any final shift sequence once.
                dst = out.data() + used;
                dstLeft = out.size() - used;
                iconv(conv.Handle(), nullptr, nullptr, &dst, &dstLeft);
                used = out.size() - dstLeft;
                break;
            }
            continue;
        }
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else if ((errno == EILSEQ || errno == EINVAL) && failure.Checked()) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X",
                          static_cast<unsigned>(
                              in[(in.size() * sizeof(char32_t) - srcLeft) / sizeof(char32_t)]));
            failure.Set(std::string("character ") + code + " has no form in " + to);
            return out;
        } else if (errno == EILSEQ || errno == EINVAL) {
            if (out.size() - used < 1) out.resize(out.size() * 2);
            out[used++] = kDefaultChar;
            src += sizeof(char32_t);
            srcLeft = srcLeft >= sizeof(char32_t) ? srcLeft - sizeof(char32_t) : 0;
        } else {
            break;
        }
    }
    out.resize(used);
    const auto nul = out.find('\0');
    if (nul != std::string::npos) out.resize(nul);
    return out;
}

bool IsUtf8Name(const std::string& name) {
    std::string n;
    for (char c : name) {
        if (c != '-' && c != '_') n.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
    }
    return n == "UTF8";
}

}  // namespace

std::string Convert(std::string_view in, const std::string& from, const std::string& to) {
    thread_local Converter decoder;
    thread_local Converter encoder;
    return Encode(encoder, to, Decode(decoder, from, UpToNul(in)));
}

bool ConvertChecked(std::string_view in, const std::string& from, const std::string& to,
                    std::string& out, std::string* error) {
    std::string reason;
    if (in.find('\0') != std::string_view::npos) {
        reason = "text holds a NUL byte (byte " + std::to_string(in.find('\0') + 1) + ")";
    } else {
        thread_local Converter decoder;
        thread_local Converter encoder;
        const std::u32string wide = Decode(decoder, from, in, Failure{&reason});
        std::string converted;
        if (reason.empty()) converted = Encode(encoder, to, wide, Failure{&reason});
        if (reason.empty()) {
            out = std::move(converted);
            return true;
        }
    }
    if (error != nullptr) *error = reason;
    return false;
}

std::string AcpName() {
    const char* env = std::getenv("ZEVA_ACP");
    return env != nullptr && *env != '\0' ? std::string(env) : std::string(kDefaultAcp);
}

bool AcpIsUtf8() {
    return IsUtf8Name(AcpName());
}

}  // namespace zeva
