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

void AppendElement(std::string& text, std::string_view separator, std::string_view name,
                   std::string_view value) {
    text.append(separator).append("<").append(name).append(">");
    text.append(EscapeMarkup(value)).append("</").append(name).append(">");
}

std::string SeparatedRecord(
    std::string_view wrapper,
    std::initializer_list<std::pair<std::string_view, std::string_view>> children,
    std::string_view separator) {
    std::string text;
    text.append("<").append(wrapper).append(">");
    for (const auto& [name, value] : children) AppendElement(text, separator, name, value);
    text.append(separator).append("</").append(wrapper).append(">");
    return text;
}

std::string ArgumentText(const ArgumentPayload& payload, std::span<const char* const> values) {
    const auto order = payload.ArgumentOrder();
    std::string text;
    text.append("<").append(payload.wrapper).append(">");
    for (const std::string_view element : payload.elements) {
        std::size_t at = 0;
        while (at < order.size() && order[at] != element) ++at;
        const char* value = at < values.size() ? values[at] : nullptr;
        AppendElement(text, payload.separator, element, OrEmpty(value));
    }
    text.append(payload.separator).append("</").append(payload.wrapper).append(">");
    return text;
}

}  // namespace zeva::soapframe
