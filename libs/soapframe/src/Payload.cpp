#include "soapframe/Payload.h"

#include <cstdarg>
#include <cstdio>

namespace zeva::soapframe {

std::string EscapeMarkup(std::string_view value) {
    std::string text;
    text.reserve(value.size());
    for (const char c : value) {
        if (c == '<')
            text += "&lt;";
        else
            text += c;
    }
    return text;
}

std::string UnescapeMarkup(std::string_view text) {
    std::string value;
    value.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text.substr(i).starts_with("&lt;")) {
            value += '<';
            i += 4;
        } else {
            value += text[i++];
        }
    }
    return value;
}

std::string FormatPayload(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length));
        std::vsnprintf(text.data(), text.size() + 1, format, args);
    }
    va_end(args);
    return text;
}

std::string SeparatedRecord(
    std::string_view wrapper,
    std::initializer_list<std::pair<std::string_view, std::string_view>> children,
    std::string_view separator) {
    std::string text;
    text.append("<").append(wrapper).append(">");
    for (const auto& [name, value] : children) {
        text.append(separator);
        text.append("<")
            .append(name)
            .append(">")
            .append(EscapeMarkup(value))
            .append("</")
            .append(name)
            .append(">");
    }
    text.append(separator);
    text.append("</").append(wrapper).append(">");
    return text;
}

}  // namespace zeva::soapframe
