#include "CommandLine.h"

#include <strings.h>

#include <cstdlib>

namespace zeva::wizard {

namespace {

constexpr char kSilent[] = "-silent";
constexpr std::size_t kMaxTypeDigits = 10;
constexpr std::size_t kMaxJobName = 260;

bool HasPrefix(const std::string& arg, const char* prefix) {
    return arg.size() > 3 && strncasecmp(arg.c_str(), prefix, 3) == 0;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine out;
    for (const std::string& arg : args) {
        // Compared over the argument's own length: "-s", "-SIL" and "-silent" all match.
        if (arg.size() <= sizeof kSilent - 1 &&
            strncasecmp(arg.c_str(), kSilent, arg.size()) == 0) {
            out.silent = true;
        } else if (HasPrefix(arg, "-t:")) {
            out.updateType = std::atoi(arg.substr(3, kMaxTypeDigits).c_str());
        } else if (HasPrefix(arg, "-d:")) {
            out.jobName = arg.substr(3, kMaxJobName);
        }
    }
    return out;
}

}  // namespace zeva::wizard
