#include "ProgramRunner.h"

namespace zeva::test {

int RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
               const std::filesystem::path& cwd) {
    const int pid = StartProgram(program, args, cwd);
    return pid < 0 ? -1 : WaitProgram(pid);
}

}  // namespace zeva::test
