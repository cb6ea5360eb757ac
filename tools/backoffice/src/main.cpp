// zeva-backoffice: serves the back-office web service on loopback from a
// data file, prints every request it receives and misbehaves on request.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "Emulator.h"
#include "Json.h"
#include "StopSignal.h"
#include "platform/AppPath.h"
#include "platform/ProgramArguments.h"

using namespace zeva::backoffice;

namespace {

void Usage(std::FILE* out) {
    std::fputs(
        "Usage: zeva-backoffice [options]\n"
        "Serves the back-office web service at http://HOST:PORT/kelv/BService.ws\n"
        "(with --online the online-service web service at http://HOST:PORT/KelvCC/BService.ws)\n"
        "until interrupted, printing every request it receives.\n\n"
        "  --online             play the online-service web service (default port 8080)\n"
        "  --host ADDR          loopback address to listen on (default 127.0.0.1)\n"
        "  --port N             TCP port (default 16905, online 8080; 0 picks a free one)\n"
        "  --port-file FILE     write the port in use to FILE once listening\n"
        "  --data FILE          answers from FILE instead of the built-in data set\n"
        "  --print-data         print the built-in data set and exit\n"
        "  --fault OP=WHAT      misbehave on operation OP; WHAT is http500, fault,\n"
        "                       noout, garbage, delay:MS or a comma list of these\n"
        "  --log FILE           append every request to FILE as a JSON line\n"
        "  --json               print requests as JSON lines instead of text\n"
        "  --quiet              print nothing per request\n"
        "  --help               show this help\n",
        out);
}

int Fail(const std::string& reason) {
    std::fprintf(stderr, "zeva-backoffice: %s\n", reason.c_str());
    return 1;
}

std::string JsonLine(const ReceivedRequest& r) {
    std::string line = "{\"operation\":" + zeva::tools::JsonString(r.operation);
    line += ",\"in0\":" + (r.hasIn0 ? zeva::tools::JsonString(r.in0) : std::string("null"));
    return line + "}";
}

int Run(int argc, char** argv) {
    std::string host = "127.0.0.1";
    int port = -1;
    Service service = Service::BackOffice;
    std::string portFile, dataFile, logFile;
    bool json = false, quiet = false;
    std::vector<std::pair<std::string, Fault>> faults;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            return 0;
        } else if (arg == "--print-data") {
            std::fputs(DataSet::DefaultText(service), stdout);
            return 0;
        } else if (arg == "--online") {
            service = Service::Online;
        } else if (arg == "--host") {
            if (!value(host)) return Fail("--host needs an address");
        } else if (arg == "--port") {
            if (!value(v) || v.empty() || v.size() > 5 ||
                v.find_first_not_of("0123456789") != std::string::npos || std::stoi(v) > 65535)
                return Fail("--port needs a number from 0 to 65535");
            port = std::stoi(v);
        } else if (arg == "--port-file") {
            if (!value(portFile)) return Fail("--port-file needs a file name");
        } else if (arg == "--data") {
            if (!value(dataFile)) return Fail("--data needs a file name");
        } else if (arg == "--log") {
            if (!value(logFile)) return Fail("--log needs a file name");
        } else if (arg == "--fault") {
            if (!value(v)) return Fail("--fault needs OP=WHAT");
            const std::size_t eq = v.find('=');
            const auto fault =
                eq == std::string::npos ? std::nullopt : ParseFault(v.substr(eq + 1));
            if (!fault || eq == 0)
                return Fail("bad --fault " + v +
                            " (expected OP=http500|fault|noout|garbage|delay:MS)");
            faults.emplace_back(v.substr(0, eq), *fault);
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--quiet") {
            quiet = true;
        } else {
            return Fail("unknown argument " + arg + " (see --help)");
        }
    }

    if (port < 0) port = service == Service::Online ? kOnlineDefaultPort : kDefaultPort;
    DataSet data = DataSet::Default(service);
    if (!dataFile.empty()) {
        data = DataSet();
        std::string error;
        if (!data.Load(dataFile, &error)) return Fail(error);
    }
    Emulator emulator(std::move(data), service);
    for (const auto& [op, fault] : faults) emulator.SetFault(op, fault);

    std::ofstream log;
    if (!logFile.empty()) {
        // Binary: the same JSON lines (LF only) on every system.
        log.open(zeva::PathFromUtf8(logFile), std::ios::app | std::ios::binary);
        if (!log) return Fail("cannot write " + logFile);
    }
    emulator.OnRequest([&](const ReceivedRequest& r) {
        if (log) log << JsonLine(r) << std::endl;
        if (quiet) return;
        if (json)
            std::cout << JsonLine(r) << std::endl;
        else
            std::cout << "received " << r.operation
                      << (r.hasIn0 ? " in0=" + r.in0 : std::string(" (no in0)")) << std::endl;
    });

    PrepareStopRequests();
    std::string error;
    if (!emulator.Start(host, port, &error)) return Fail(error);
    if (!portFile.empty()) {
        // Written aside and renamed, so a reader never sees a half-written file.
        const std::filesystem::path target = zeva::PathFromUtf8(portFile);
        std::filesystem::path partial = target;
        partial += ".part";
        std::ofstream out(partial);
        out << emulator.Port() << "\n";
        out.close();
        std::error_code ec;
        if (out) std::filesystem::rename(partial, target, ec);
        if (!out || ec) return Fail("cannot write " + portFile);
    }
    if (!quiet) std::cout << "listening on " << emulator.Url() << std::endl;
    WaitForStopRequest();
    emulator.Stop();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    zeva::ProgramArguments args(argc, argv);
    return Run(args.argc(), args.argv());
}
