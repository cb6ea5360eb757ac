// The parts of starting programs that are the same on every system: how
// parameter strings are split and how a command line is quoted.
#include "platform/Shell.h"

#include "Shell_p.h"

namespace zeva {

std::vector<std::string> SplitCommandLine(const std::string& parameters) {
    std::vector<std::string> out;
    std::string current;
    bool inQuotes = false;
    bool have = false;
    for (char c : parameters) {
        if (c == '"') {
            inQuotes = !inQuotes;
            have = true;
        } else if ((c == ' ' || c == '\t') && !inQuotes) {
            if (have) out.push_back(current);
            current.clear();
            have = false;
        } else {
            current.push_back(c);
            have = true;
        }
    }
    if (have) out.push_back(current);
    return out;
}

std::string QuoteCommandLineArgument(std::string_view arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string_view::npos)
        return std::string(arg);
    // Backslashes are literal unless they precede a quote: those before a
    // quote, and those before the closing quote, are doubled.
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, '\\');
    out.push_back('"');
    return out;
}

std::string JoinCommandLine(const std::vector<std::string>& args) {
    std::string out;
    for (const std::string& a : args) {
        if (!out.empty()) out.push_back(' ');
        out += QuoteCommandLineArgument(a);
    }
    return out;
}

bool IsWebAddress(const std::string& url) {
    return url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0 ||
           url.rfind("file://", 0) == 0;
}

}  // namespace zeva
