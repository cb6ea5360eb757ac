#pragma once
// Starting programs and opening addresses the way the desktop shell does.
// Started programs are detached: they get their own session, outlive the
// caller and are never left as zombies. Failures are reported at once.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zeva {

// Starts `program` with `args` (UTF-8 on Windows, where the program reads them
// as UTF-16) in `workDir` (empty: the caller's). False with `error` set when
// it could not be started (missing, not executable, ...).
bool StartDetached(const std::filesystem::path& program, const std::vector<std::string>& args,
                   const std::filesystem::path& workDir, std::string* error = nullptr);

// Splits a Windows-style parameter string: blanks separate, double quotes group.
std::vector<std::string> SplitCommandLine(const std::string& parameters);

// One argument quoted so that the Microsoft C runtime (and CommandLineToArgvW)
// reads it back unchanged: quotes only when needed, backslashes doubled only
// before a quote.
std::string QuoteCommandLineArgument(std::string_view arg);
// Arguments joined into one such command line.
std::string JoinCommandLine(const std::vector<std::string>& args);

// ShellExecuteA with the "open" verb for a program: paths in the system code page.
bool ShellExecuteOpen(const std::string& file, const std::string& parameters,
                      const std::string& directory, std::string* error = nullptr);

// Opens a web address with the desktop's handler (xdg-open; on Windows the
// shell's handler of its scheme). Only http, https and file addresses are opened.
bool OpenUrl(const std::string& url, std::string* error = nullptr);

}  // namespace zeva
