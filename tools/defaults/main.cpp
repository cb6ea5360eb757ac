// zeva-defaults DIR: writes the settings files an installation starts with,
// every key of the register with the default its readers pass, so an
// installer (or zeva-cfg) finds each key in place to fill in.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "platform/AppPath.h"
#include "platform/ProgramArguments.h"

namespace {

namespace k = zeva::cfgkeys;

bool WriteFile(const std::filesystem::path& path,
               const std::vector<CCryptConfigFile::Entry>& entries) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    CCryptConfigFile file;
    if (file.InitializeNative(path) != 0 || file.WriteEntries(entries) != 0) {
        std::fprintf(stderr, "zeva-defaults: cannot write %s: %s\n", zeva::Utf8Path(path).c_str(),
                     file.LastError().c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const zeva::ProgramArguments args(argc, argv);
    if (args.argc() != 2) {
        std::fprintf(stderr, "usage: zeva-defaults DIR\n");
        return 2;
    }
    const std::filesystem::path dir = zeva::PathFromUtf8(args.text()[1]);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const std::string port = std::to_string(k::kDefaultServerPort);
    const bool ok =
        WriteFile(dir / k::kConfigDat, {{k::kSectionUpdate, k::kKeyVersion, ""},
                                        {k::kSectionUpdate, k::kKeyRegion, ""},
                                        {k::kSectionUpdate, k::kKeyServerIP, ""},
                                        {k::kSectionUpdate, k::kKeyServerPort, port},
                                        {k::kSectionUpdate, k::kKeyServerIP2, ""},
                                        {k::kSectionUpdate, k::kKeyServerPort2, port},
                                        {k::kSectionUpdate, k::kKeyPublicKey, ""},
                                        {k::kSectionServer, k::kKeyWebSiteURL, ""},
                                        {k::kSectionServer, k::kKeyServiceURL, ""}}) &&
        WriteFile(dir / k::kUserConfigDat,
                  {{k::kSectionServer, k::kKeyUseProxy, std::to_string(k::kDefaultUseProxy)},
                   {k::kSectionServer, k::kKeyUpdateServiceDir, ""}});
    return ok ? 0 : 1;
}
