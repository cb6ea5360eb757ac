// A program for the runner's tests: what it was given, and how it ends.
//   echo-args A B ...   each following argument on a line of its own (stdout)
//   count-input         the number of bytes on standard input (stdout)
//   env NAME            NAME's value, or "unset" (stderr)
//   exit N              ends with status N
//   hang                prints "started" and never ends by itself
// Commands run in order; without "exit" the status is 0.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

#include "platform/ProgramArguments.h"

int main(int argc, char** argv) {
    zeva::ProgramArguments arguments(argc, argv);
    const auto& args = arguments.text();
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& command = args[i];
        if (command == "echo-args") {
            for (++i; i < args.size(); ++i) std::cout << args[i] << '\n';
        } else if (command == "count-input") {
            std::size_t count = 0;
            char buffer[65536];
            while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, stdin)) count += n;
            std::cout << count << '\n';
        } else if (command == "env" && i + 1 < args.size()) {
            const char* value = std::getenv(args[++i].c_str());
            std::cerr << (value ? value : "unset") << '\n';
        } else if (command == "exit" && i + 1 < args.size()) {
            std::cout.flush();
            return std::atoi(args[++i].c_str());
        } else if (command == "hang") {
            std::cout << "started" << std::endl;
            for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
        } else {
            std::cerr << "unknown command " << command << '\n';
            return 2;
        }
    }
    return 0;
}
