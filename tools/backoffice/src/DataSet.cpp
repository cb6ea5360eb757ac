#include "DataSet.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "platform/AppPath.h"
#include "soapframe/Payload.h"
#include "soapframe/TagSearch.h"

namespace zeva::backoffice {
namespace {

std::string TrimRight(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.pop_back();
    return s;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t pos = text.find(from); pos != std::string::npos;
         pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
}

}  // namespace

bool DataSet::Parse(const std::string& utf8, std::string* error) {
    std::istringstream in(utf8);
    std::string line;
    std::optional<std::pair<std::string, std::string>> section;
    std::vector<std::string> body;
    int number = 0;
    auto flush = [&] {
        if (!section) return;
        while (!body.empty() && body.back().empty()) body.pop_back();
        std::string text;
        for (std::size_t i = 0; i < body.size(); ++i) text += (i ? "\n" : "") + body[i];
        answers_[*section] = text;
        body.clear();
    };
    while (std::getline(in, line)) {
        ++number;
        line = TrimRight(line);
        if (!line.empty() && line.front() == '[' && line.back() == ']') {
            flush();
            const std::string inner = line.substr(1, line.size() - 2);
            const std::size_t space = inner.find(' ');
            std::string op = inner.substr(0, space);
            std::string key = space == std::string::npos ? "" : inner.substr(space + 1);
            if (op.empty()) {
                if (error)
                    *error = "line " + std::to_string(number) + ": section without operation name";
                return false;
            }
            section = std::make_pair(op, key);
            continue;
        }
        if (!line.empty() && line.front() == '#') continue;
        if (!section || (body.empty() && line.empty())) continue;
        body.push_back(line);
    }
    flush();
    return true;
}

bool DataSet::Load(const std::string& path, std::string* error) {
    std::ifstream in(zeva::PathFromUtf8(path), std::ios::binary);
    if (!in) {
        if (error) *error = "cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str(), error);
}

DataSet DataSet::Default(Service service) {
    DataSet data;
    data.Parse(DefaultText(service));
    return data;
}

void DataSet::Set(const std::string& operation, const std::string& key, const std::string& answer) {
    answers_[{operation, key}] = answer;
}

std::optional<std::string> DataSet::Answer(const std::string& operation, const std::string& in0,
                                           const std::string& peer) const {
    std::string account = in0;
    std::string password;
    if (in0.find("<Account>") != std::string::npos) {
        soapframe::FindString(in0.c_str(), "<Account>", "</Account>", account);
        soapframe::FindString(in0.c_str(), "<Password>", "</Password>", password);
        // The clients escape markup inside the payload's fields.
        account = soapframe::UnescapeMarkup(account);
        password = soapframe::UnescapeMarkup(password);
    }
    std::vector<std::string> keys{in0};
    if (!password.empty()) keys.push_back(account + ":" + password);
    keys.push_back(account);
    keys.push_back("");
    for (const std::string& key : keys) {
        auto it = answers_.find({operation, key});
        if (it == answers_.end()) continue;
        std::string text = it->second;
        ReplaceAll(text, "${in0}", in0);
        ReplaceAll(text, "${account}", account);
        ReplaceAll(text, "${peer}", peer);
        return text;
    }
    return std::nullopt;
}

}  // namespace zeva::backoffice
