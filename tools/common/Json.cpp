#include "Json.h"

#include <cstdio>

namespace zeva::tools {

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        // DEL and the C1 controls (U+0080..U+009F) are escaped too, so the
        // output is safe to show on a terminal.
        const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0u;
        if (c == '\x7f' ||
            (static_cast<unsigned char>(c) == 0xc2 && next >= 0x80 && next <= 0x9f)) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c == '\x7f' ? 0x7fu : next);
            out += buf;
            if (c != '\x7f') ++i;
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x",
                                  static_cast<unsigned>(static_cast<unsigned char>(c)));
                    out += buf;
                } else {
                    out.push_back(c);
                }
        }
    }
    out += '"';
    return out;
}

}  // namespace zeva::tools
