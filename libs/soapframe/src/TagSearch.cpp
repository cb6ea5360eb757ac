#include "soapframe/TagSearch.h"

#include <climits>
#include <cstring>

namespace zeva::soapframe {
namespace {

// Where the value between the tags lies, if both are found.
bool Locate(const char* text, const char* openTag, const char* closeTag, std::string_view& value) {
    const char* open = std::strstr(text, openTag);
    if (!open) return false;
    const char* start = open + std::strlen(openTag);
    const char* close = std::strstr(start, closeTag);
    if (!close) return false;
    value = std::string_view(start, static_cast<std::size_t>(close - start));
    return true;
}

}  // namespace

void FindString(const char* text, const char* openTag, const char* closeTag, std::string& out) {
    if (!text || !openTag || !closeTag) return;
    std::string_view value;
    if (Locate(text, openTag, closeTag, value))
        out.assign(value);
    else
        out.clear();
}

void FindString(const char* text, const char* openTag, const char* closeTag, int& out) {
    if (!text || !openTag || !closeTag) return;
    std::string_view value;
    if (Locate(text, openTag, closeTag, value)) out = AtoiPrefix(value);
}

int AtoiPrefix(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Saturate like strtol instead of overflowing on very long digit runs.
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (value <= INT_MAX) value = value * 10 + (text[i] - '0');
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

void ForEachRecord(std::string_view text, std::string_view openTag, std::string_view closeTag,
                   const std::function<void(const std::string& slice)>& record) {
    if (openTag.empty()) return;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t open = text.find(openTag, pos);
        if (open == std::string_view::npos) return;
        const std::size_t start = open + openTag.size();
        const std::size_t close =
            closeTag.empty() ? std::string_view::npos : text.find(closeTag, start);
        if (close == std::string_view::npos) {
            record(std::string(text.substr(start)));
            return;
        }
        record(std::string(text.substr(start, close - start)));
        pos = close;
    }
}

}  // namespace zeva::soapframe
