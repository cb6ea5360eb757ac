#pragma once
// A program's arguments as UTF-8, whatever the system's code page: on
// Windows they are taken from the UTF-16 command line, so Chinese sections,
// keys and paths arrive whole. Building it also makes the console show the
// UTF-8 text the program writes; redirected output gets the bytes unchanged.

#include <optional>
#include <string>
#include <vector>

namespace zeva {

class ProgramArguments {
public:
    ProgramArguments(int argc, char** argv);
    ProgramArguments(const ProgramArguments&) = delete;
    ProgramArguments& operator=(const ProgramArguments&) = delete;

    int argc() const { return static_cast<int>(text_.size()); }
    // Null-terminated, as main's argv is; valid while this object lives.
    char** argv() { return pointers_.data(); }
    const std::vector<std::string>& text() const { return text_; }

private:
    std::vector<std::string> text_;
    std::vector<char*> pointers_;
};

// An environment variable in UTF-8, as the arguments are (on Windows read
// from the UTF-16 environment, not through the ANSI code page); nothing when
// it is not set.
std::optional<std::string> EnvironmentVariable(const char* name);

}  // namespace zeva
