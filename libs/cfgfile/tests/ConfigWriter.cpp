// A writer process for the concurrent-write tests:
//   distinct PATH WRITER COUNT   writes keys "w<WRITER>k<i>" = i for i < COUNT;
//                                exits 1 when any write failed
//   forever PATH FIRST           writes "k<FIRST>", "k<FIRST+1>", ... until killed
// PATH comes as UTF-8, as the program runner passes arguments.
#include <cstdlib>
#include <string>

#include "CryptConfigFile.h"
#include "platform/AppPath.h"
#include "platform/ProgramArguments.h"

int main(int rawArgc, char** rawArgv) {
    zeva::ProgramArguments args(rawArgc, rawArgv);
    const int argc = args.argc();
    char** argv = args.argv();
    const std::string path = argc > 2 ? zeva::AcpPath(zeva::PathFromUtf8(argv[2])) : "";
    if (argc == 5 && std::string(argv[1]) == "distinct") {
        CCryptConfigFile f(path, "");
        const int count = std::atoi(argv[4]);
        int failures = 0;
        for (int i = 0; i < count; ++i) {
            failures += f.WriteString("S", "w" + std::string(argv[3]) + "k" + std::to_string(i),
                                      std::to_string(i)) != 0;
        }
        return failures == 0 ? 0 : 1;
    }
    if (argc == 4 && std::string(argv[1]) == "forever") {
        CCryptConfigFile f(path, "");
        // Values are large so that writes take long enough to be interrupted.
        for (int i = std::atoi(argv[3]);; ++i)
            f.WriteString("S", "k" + std::to_string(i), std::string(2000, 'x'));
    }
    return 2;
}
