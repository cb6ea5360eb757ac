#pragma once
// The updater's command line: "-silent" (any leading part of it, any case),
// "-t:<type>" and "-d:<folder>". Arguments are read in order, so a later one
// overrides an earlier one; anything else is ignored.

#include <string>
#include <vector>

namespace zeva::wizard {

struct CommandLine {
    bool silent = false;
    int updateType = 1;  // 1 = the main program
    std::string jobName;
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);

}  // namespace zeva::wizard
