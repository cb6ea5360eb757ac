// The code page on Windows: the system's ANSI code page (ZEVA_ACP may name
// another), converted by MultiByteToWideChar and WideCharToMultiByte. The
// behaviour matches the iconv half: invalid input becomes one '?' per byte,
// a character without a form becomes one '?', checked forms say why.
#include "CodePage_p.h"
#include "platform/CodePage.h"
#include "platform/ProgramArguments.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace zeva {
namespace {

constexpr char kDefaultChar = '?';

std::string_view UpToNul(std::string_view s) {
    const auto nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

std::string Upper(std::string_view name) {
    std::string n;
    for (char c : name) {
        if (c != '-' && c != '_') n.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
    }
    return n;
}

// The Windows code page a name stands for; 0 when there is none.
UINT CodePageOf(const std::string& name) {
    const std::string n = Upper(name);
    if (n == "UTF8") return CP_UTF8;
    if (n == "GBK" || n == "CP936" || n == "GB2312" || n == "WINDOWS936") return 936;
    if (n == "BIG5" || n == "CP950") return 950;
    if (n == "ASCII" || n == "USASCII") return 20127;
    if (n == "LATIN1" || n == "ISO88591") return 28591;
    for (const char* prefix : {"CP", "WINDOWS"}) {
        const std::string p(prefix);
        if (n.size() > p.size() && n.compare(0, p.size(), p) == 0 &&
            n.find_first_not_of("0123456789", p.size()) == std::string::npos) {
            const unsigned long cp = std::strtoul(n.c_str() + p.size(), nullptr, 10);
            if (cp > 0 && cp < 65536 && IsValidCodePage(static_cast<UINT>(cp)))
                return static_cast<UINT>(cp);
        }
    }
    return 0;
}

std::string NameOf(UINT cp) {
    if (cp == CP_UTF8) return "UTF-8";
    if (cp == 936) return "GBK";
    if (cp == 950) return "BIG5";
    return "CP" + std::to_string(cp);
}

struct Failure {
    std::string* reason = nullptr;
    bool Checked() const { return reason != nullptr; }
    void Set(std::string text) {
        if (reason->empty()) *reason = std::move(text);
    }
};

// Bytes the character starting at `s` takes in code page `cp` (1 when unsure).
size_t CharLength(UINT cp, std::string_view s) {
    const auto lead = static_cast<unsigned char>(s[0]);
    if (cp == CP_UTF8) {
        if (lead < 0xC2) return 1;
        if (lead < 0xE0) return 2;
        if (lead < 0xF0) return 3;
        if (lead < 0xF5) return 4;
        return 1;
    }
    return IsDBCSLeadByteEx(cp, lead) ? 2 : 1;
}

int Widen(UINT cp, std::string_view in, wchar_t* out, int room) {
    return MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()),
                               out, room);
}

// Multi-byte text to UTF-16: whole when valid, else character by character
// with one default character per offending byte.
std::wstring Decode(UINT cp, const std::string& cpName, std::string_view in, Failure failure = {}) {
    std::wstring out;
    if (in.empty()) return out;
    out.resize(in.size());
    const int n = Widen(cp, in, out.data(), static_cast<int>(out.size()));
    if (n > 0) {
        out.resize(static_cast<size_t>(n));
        return out;
    }
    out.clear();
    size_t pos = 0;
    while (pos < in.size()) {
        const size_t len = std::min(CharLength(cp, in.substr(pos)), in.size() - pos);
        wchar_t unit[4];
        const int got = Widen(cp, in.substr(pos, len), unit, 4);
        if (got > 0) {
            out.append(unit, static_cast<size_t>(got));
            pos += len;
            continue;
        }
        if (failure.Checked()) {
            failure.Set("text is not valid " + cpName + " (byte " + std::to_string(pos + 1) + ")");
            return out;
        }
        out.push_back(static_cast<wchar_t>(kDefaultChar));
        ++pos;
    }
    return out;
}

// One character (a surrogate pair counts as one) in code page `cp`; false
// when it has no exact form there.
bool Narrow(UINT cp, const wchar_t* ch, int units, std::string& out) {
    char buf[16];
    BOOL usedDefault = FALSE;
    const bool utf8 = cp == CP_UTF8;
    const int n =
        WideCharToMultiByte(cp, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, ch, units, buf,
                            sizeof buf, nullptr, utf8 ? nullptr : &usedDefault);
    if (n <= 0 || usedDefault) return false;
    out.append(buf, static_cast<size_t>(n));
    return true;
}

std::string Encode(UINT cp, const std::string& cpName, const std::wstring& in,
                   Failure failure = {}) {
    std::string out;
    out.reserve(in.size() * 2);
    for (size_t i = 0; i < in.size();) {
        const bool pair =
            i + 1 < in.size() && IS_HIGH_SURROGATE(in[i]) && IS_LOW_SURROGATE(in[i + 1]);
        const int units = pair ? 2 : 1;
        if (!Narrow(cp, in.data() + i, units, out)) {
            if (failure.Checked()) {
                const unsigned code = pair ? 0x10000u +
                                                 ((static_cast<unsigned>(in[i]) - 0xD800u) << 10) +
                                                 (static_cast<unsigned>(in[i + 1]) - 0xDC00u)
                                           : static_cast<unsigned>(in[i]);
                char text[16];
                std::snprintf(text, sizeof text, "U+%04X", code);
                failure.Set(std::string("character ") + text + " has no form in " + cpName);
                return out;
            }
            out.push_back(kDefaultChar);
        }
        i += static_cast<size_t>(units);
    }
    return out;
}

}  // namespace

// An unknown code page keeps ASCII and replaces everything else, on either side.
std::string Convert(std::string_view in, const std::string& from, const std::string& to) {
    in = UpToNul(in);
    const UINT fromCp = CodePageOf(from);
    const UINT toCp = CodePageOf(to);
    std::wstring wide;
    if (fromCp != 0) {
        wide = Decode(fromCp, from, in);
    } else {
        for (unsigned char c : in) wide.push_back(c < 0x80 ? static_cast<wchar_t>(c) : L'?');
    }
    if (toCp != 0) return Encode(toCp, to, wide);
    std::string out;
    for (size_t i = 0; i < wide.size(); ++i) {
        if (IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() && IS_LOW_SURROGATE(wide[i + 1])) ++i;
        out.push_back(wide[i] < 0x80 ? static_cast<char>(wide[i]) : kDefaultChar);
    }
    return out;
}

bool ConvertChecked(std::string_view in, const std::string& from, const std::string& to,
                    std::string& out, std::string* error) {
    std::string reason;
    const UINT fromCp = CodePageOf(from);
    const UINT toCp = CodePageOf(to);
    if (in.find('\0') != std::string_view::npos) {
        reason = "text holds a NUL byte (byte " + std::to_string(in.find('\0') + 1) + ")";
    } else if (fromCp == 0) {
        reason = "unknown code page '" + from + "'";
    } else if (toCp == 0) {
        reason = "unknown code page '" + to + "'";
    } else {
        const std::wstring wide = Decode(fromCp, from, in, Failure{&reason});
        std::string converted;
        if (reason.empty()) converted = Encode(toCp, to, wide, Failure{&reason});
        if (reason.empty()) {
            out = std::move(converted);
            return true;
        }
    }
    if (error != nullptr) *error = reason;
    return false;
}

std::string AcpName() {
    if (auto env = EnvironmentVariable("ZEVA_ACP"); env && !env->empty()) {
        for (char& c : *env) {
            if (static_cast<unsigned char>(c) >= 0x80) c = '?';  // names are ASCII
        }
        return *env;
    }
    return NameOf(GetACP());
}

bool AcpIsUtf8() {
    return CodePageOf(AcpName()) == CP_UTF8;
}

}  // namespace zeva
