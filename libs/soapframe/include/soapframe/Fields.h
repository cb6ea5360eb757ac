#pragma once
// Field tables: the one place where a payload's or an answer's element names
// are written, read by the library that sends or parses them, by zeva-client
// and by the tests. Header only; no SOAP runtime needed.

#include <span>
#include <string>
#include <string_view>

namespace zeva::soapframe {

// One text element of a record type: its name and the member it fills.
template <class Record>
struct Field {
    std::string_view name;
    std::string Record::*member;
};

// A record sent as <wrapper>SEP<name>value</name>SEP...</wrapper>.
template <class Record>
struct RecordPayload {
    std::string_view wrapper;
    std::string_view separator;
    std::span<const Field<Record>> fields;
};

// A payload filled from an operation's text arguments: the element names in
// the order they are sent, and the argument names in the order the
// operation takes them when that order differs (empty when it is the same).
struct ArgumentPayload {
    std::string_view wrapper;
    std::string_view separator;
    std::span<const std::string_view> elements;
    std::span<const std::string_view> arguments = {};

    std::span<const std::string_view> ArgumentOrder() const {
        return arguments.empty() ? elements : arguments;
    }
};

}  // namespace zeva::soapframe
