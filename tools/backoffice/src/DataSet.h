#pragma once
// The emulator's answers, read from a UTF-8 data file.
//
// The file is a list of sections. A section header "[operation]" or
// "[operation key]" stands alone on a line; the lines after it, up to the
// next header, are the answer text (trailing blank lines dropped). A line
// starting with '#' is a comment. The key selects an answer by the
// request: the whole in0 text, "account:password" or the account alone
// (taken from <Account> when in0 is a document), tried in that order before
// the section without key. In answers, ${in0}, ${account} and ${peer} (the
// caller's address) are replaced. True/false operations answer "true" or
// "false".

#include <map>
#include <optional>
#include <string>
#include <utility>

namespace zeva::backoffice {

// The two web services the emulator can play.
enum class Service { BackOffice, Online };

class DataSet {
public:
    // Parses a data file's text; false with `error` naming the line on a bad header.
    bool Parse(const std::string& utf8, std::string* error = nullptr);
    bool Load(const std::string& path, std::string* error = nullptr);
    // The data set that ships with the emulator for a service.
    static DataSet Default(Service service = Service::BackOffice);
    static const char* DefaultText(Service service = Service::BackOffice);

    void Set(const std::string& operation, const std::string& key, const std::string& answer);
    // The answer for a request, with the placeholders replaced.
    std::optional<std::string> Answer(const std::string& operation, const std::string& in0,
                                      const std::string& peer) const;
    std::size_t Size() const { return answers_.size(); }

private:
    std::map<std::pair<std::string, std::string>, std::string> answers_;
};

}  // namespace zeva::backoffice
