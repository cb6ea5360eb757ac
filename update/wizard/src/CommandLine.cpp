#include "CommandLine.h"

#include <cctype>
#include <cstdlib>

namespace zeva::wizard {

namespace {

constexpr char kSilent[] = "-silent";
constexpr std::size_t kMaxTypeDigits = 10;
constexpr std::size_t kMaxJobName = 260;

// The first `n` characters of `a` and `b` are the same but for ASCII case.
bool SameStart(const std::string& a, const char* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (i >= a.size() || b[i] == '\0') return i >= a.size() && b[i] == '\0';
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool HasPrefix(const std::string& arg, const char* prefix) {
    return arg.size() > 3 && SameStart(arg, prefix, 3);
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine out;
    for (const std::string& arg : args) {
        // Compared over the argument's own length: "-s", "-SIL" and "-silent" all match.
        if (arg.size() <= sizeof kSilent - 1 && SameStart(arg, kSilent, arg.size())) {
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
