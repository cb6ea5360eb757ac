// Feeds arbitrary answers and tags to the tag search and the record walks,
// the way the operations use them on server answers.
//
// Input layout: one byte n, then n bytes of opening tag, one byte m, m bytes
// of closing tag, the rest is the answer text (may hold NUL bytes).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "soapframe/TagSearch.h"

using namespace zeva::soapframe;

namespace {

std::string Take(const std::uint8_t*& data, std::size_t& size) {
    if (size == 0) return {};
    const std::size_t n = std::min<std::size_t>(data[0] % 16, size - 1);
    std::string out(reinterpret_cast<const char*>(data + 1), n);
    data += n + 1;
    size -= n + 1;
    return out;
}

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string open = Take(data, size);
    std::string close = Take(data, size);
    const std::string text(reinterpret_cast<const char*>(data), size);

    // The C-string form sees the text up to its first NUL, as the operations do.
    std::string value = "untouched";
    int number = 12345;
    FindString(text.c_str(), open.c_str(), close.c_str(), value);
    FindString(text.c_str(), open.c_str(), close.c_str(), number);
    Check(value.size() <= text.size());
    if (!value.empty()) Check(std::string_view(text.c_str()).find(value) != std::string_view::npos);
    (void)AtoiPrefix(text);

    // A record walk with the slice's own fields, like the list operations.
    std::size_t records = 0, total = 0;
    ForEachRecord(text, open, close, [&](const std::string& slice) {
        ++records;
        total += slice.size();
        std::string field;
        int id = 0;
        FindString(slice.c_str(), "<Id>", "</Id>", id);
        FindString(slice.c_str(), "<Title>", "</Title>", field);
        FindString(slice.c_str(), open.c_str(), close.c_str(), field);
    });
    Check(total <= text.size());
    if (!open.empty()) Check(records <= text.size() / open.size() + 1);

    // The fixed record tags of the service's answers.
    ForEachRecord(text, "<NetType>", "</NetType>", [&](const std::string& slice) {
        std::string field;
        FindString(slice.c_str(), "<MaxValue>", "</MaxValue>", field);
    });
    return 0;
}
