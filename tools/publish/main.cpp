// zeva-publish: catalogs and update-server folders for a new release.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "CatalogFreshness.h"
#include "ConfigKeys.h"
#include "Json.h"
#include "Publisher.h"
#include "SignatureVerifier.h"
#include "SigningKey.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"
#include "platform/ProgramArguments.h"

namespace fs = std::filesystem;
namespace pub = zeva::publish;

namespace {

constexpr char kUsage[] =
    "usage: zeva-publish main RELEASE_DIR --version TEXT [options]\n"
    "       zeva-publish plugin PLUGIN_DIR [--files-section] [options]\n"
    "       zeva-publish keygen KEYFILE [--json]\n"
    "       zeva-publish check-key 'KEY[,KEY]' [--json]\n"
    "\n"
    "Writes the catalog of a release folder: \"UpdateConfig.ini\" of the main program\n"
    "(VERSION, REGION, UNCONDITIONALUPDATE, NOTIFIY, FILES and per file MD5, SIZE,\n"
    "MODIFYTIME) or a plug-in \"config.ini\" (one section per file, or with\n"
    "--files-section a FILES list as the toolbox's regional update reads it).\n"
    "Names are written with backslashes in the system code page (ZEVA_ACP, default GBK).\n"
    "\n"
    "keygen writes a new Ed25519 private key to KEYFILE (mode 0600; an existing file is\n"
    "never replaced) and prints the public key as base64: the value of Config.dat\n"
    "[Update] PublicKey on the clients (two keys separated by a comma while rotating).\n"
    "With --sign KEYFILE every file's section also gets its SHA256 and the catalog a\n"
    "detached signature beside it (\"UpdateConfig.ini.sig\", \"config.ini.sig\": base64\n"
    "of the Ed25519 signature over the catalog's exact bytes). A signed catalog also\n"
    "carries SEQUENCE (the signing time in seconds unless --sequence is given) and,\n"
    "with --expires, EXPIRES; updaters refuse a catalog whose SEQUENCE is lower than\n"
    "that of the catalog they installed last, or that has expired.\n"
    "\n"
    "check-key checks a \"PublicKey\" value as the updaters do and warns about a key\n"
    "they refuse (not base64 of 32 bytes, of small order such as the all-zero\n"
    "placeholder, or not canonically encoded).\n"
    "\n"
    "options:\n"
    "  --version TEXT        release version (main; compared byte by byte, not as a number)\n"
    "  --region TEXT         release region (main)\n"
    "  --unconditional       set UNCONDITIONALUPDATE=1 (main)\n"
    "  --notify              set NOTIFIY=1 (main)\n"
    "  --files-section       plug-in catalog with a FILES section (toolbox form)\n"
    "  --output FILE         where to write the catalog (default: inside the release folder)\n"
    "  --server-root DIR     also lay out DIR/TYPE/PREFIX with the files and the catalog\n"
    "  --type N              package type of the server layout (default 1)\n"
    "  --prefix TEXT         remote folder inside the type folder (e.g. \"zj/\")\n"
    "  --sign KEYFILE        sign the catalog with this private key (see keygen)\n"
    "  --sequence N          SEQUENCE of a signed catalog (default: the time in seconds)\n"
    "  --expires DAYS        a signed catalog is refused DAYS days after signing\n"
    "  --json                print the result as JSON\n"
    "  --help                show this text\n"
    "\n"
    "exit status: 0 success, 2 bad usage or a file that cannot be published\n";

int Fail(const std::string& reason) {
    std::cerr << "zeva-publish: " << reason << "\n";
    return 2;
}

struct Args {
    std::string command;
    fs::path dir;
    std::string keyText;  // check-key: the key text as given
    pub::MainVersion version;
    bool haveVersion = false;
    bool filesSection = false;
    std::optional<fs::path> output;
    std::optional<fs::path> serverRoot;
    std::string type = "1";
    std::string prefix;
    std::optional<fs::path> signKey;
    std::int64_t sequence = 0;
    std::int64_t expiresDays = 0;
    bool json = false;
};

// Decimal text of 1 to 18 digits, not 0.
bool PositiveNumber(const std::string& text, std::int64_t& value) {
    if (text.empty() || text.size() > 18 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoll(text);
    return value > 0;
}

// A line break would start a new catalog line (a key of its own, then signed).
bool HasControlCharacter(const std::string& text) {
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f) return true;
    }
    return false;
}

std::optional<std::string> Parse(int argc, char** argv, Args& a) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc) return std::nullopt;
            return std::string(argv[++i]);
        };
        if (arg == "--version" || arg == "--region" || arg == "--output" ||
            arg == "--server-root" || arg == "--type" || arg == "--prefix" || arg == "--sign" ||
            arg == "--sequence" || arg == "--expires") {
            const auto v = value();
            if (!v) return arg + " needs a value";
            if (HasControlCharacter(*v)) return arg + " must not contain control characters";
            if (arg == "--version") {
                if (v->empty()) return "--version must not be empty";
                a.version.version = zeva::Utf8ToAcp(*v);
                a.haveVersion = true;
            } else if (arg == "--region") {
                a.version.region = zeva::Utf8ToAcp(*v);
            } else if (arg == "--output") {
                a.output = zeva::PathFromUtf8(*v);
            } else if (arg == "--server-root") {
                a.serverRoot = zeva::PathFromUtf8(*v);
            } else if (arg == "--sign") {
                a.signKey = zeva::PathFromUtf8(*v);
            } else if (arg == "--sequence") {
                if (!PositiveNumber(*v, a.sequence)) return "--sequence needs a positive number";
            } else if (arg == "--expires") {
                if (!PositiveNumber(*v, a.expiresDays) || a.expiresDays > 36500)
                    return "--expires needs a number of days from 1 to 36500";
            } else if (arg == "--type") {
                if (v->empty() || v->find_first_not_of("0123456789") != std::string::npos ||
                    v->size() > 9) {
                    return "--type needs a number";
                }
                a.type = *v;
            } else {
                a.prefix = *v;
            }
        } else if (arg == "--unconditional") {
            a.version.unconditional = true;
        } else if (arg == "--notify") {
            a.version.notify = true;
        } else if (arg == "--files-section") {
            a.filesSection = true;
        } else if (arg == "--json") {
            a.json = true;
        } else if (arg.rfind("--", 0) == 0) {
            return "unknown option " + arg;
        } else {
            if (HasControlCharacter(arg)) return "arguments must not contain control characters";
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) return "expected a command and a folder or key file (see --help)";
    a.command = positional[0];
    a.dir = zeva::PathFromUtf8(positional[1]);
    a.keyText = positional[1];
    if (a.command != "main" && a.command != "plugin" && a.command != "keygen" &&
        a.command != "check-key")
        return "unknown command " + a.command;
    if (a.command == "keygen" || a.command == "check-key") return std::nullopt;
    if ((a.sequence != 0 || a.expiresDays != 0) && !a.signKey)
        return "--sequence and --expires need --sign (only a signature makes them binding)";
    if (a.command == "main" && !a.haveVersion) return "main needs --version";
    if (!a.prefix.empty() && a.prefix.back() != '/') a.prefix.push_back('/');
    if (a.prefix.find("..") != std::string::npos || (!a.prefix.empty() && a.prefix[0] == '/')) {
        return "--prefix must be a relative folder";
    }
    return std::nullopt;
}

void ShowProgress(size_t done, size_t total) {
    static const bool tty = ::isatty(2) != 0;
    if (!tty || total < 50) return;
    if (done % 25 != 0 && done != total) return;
    const int width = 30;
    const int filled =
        static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * width);
    std::fprintf(stderr, "\r[%.*s%*s] %zu/%zu files", filled, "##############################",
                 width - filled, "", done, total);
    if (done == total) std::fprintf(stderr, "\n");
}

int KeyGen(const Args& a) {
    zeva::SigningKey key;
    std::string error;
    if (key.Generate(error) != 0 || key.Save(a.dir, error) != 0) return Fail(error);
    if (a.json) {
        std::cout << "{\"keyFile\":" << zeva::tools::JsonString(zeva::Utf8Path(a.dir))
                  << ",\"publicKey\":" << zeva::tools::JsonString(key.PublicKeyBase64()) << "}\n";
    } else {
        std::cout << "private key: " << zeva::Utf8Path(a.dir) << " (keep it secret)\n"
                  << "public key:  " << key.PublicKeyBase64() << "\n";
    }
    return 0;
}

// The updaters refuse the whole "PublicKey" setting when one key is unusable.
int CheckKey(const Args& a) {
    const std::string& text = a.keyText;
    zeva::SignatureVerifier verifier;
    std::string error;
    const bool ok = verifier.SetPublicKeys(text, error) == 0;
    if (a.json) {
        std::cout << "{\"ok\":" << (ok ? "true" : "false") << ",\"keys\":" << verifier.KeyCount()
                  << ",\"reason\":" << zeva::tools::JsonString(ok ? std::string() : error) << "}\n";
    }
    if (!ok) {
        std::cerr << "zeva-publish: warning: updaters refuse this PublicKey and install nothing: "
                  << error << "\n";
        return 2;
    }
    if (!a.json)
        std::cout << verifier.KeyCount() << (verifier.KeyCount() == 1 ? " key" : " keys")
                  << ", usable\n";
    return 0;
}

int Run(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--help") {
            std::cout << kUsage;
            return 0;
        }
    }
    Args a;
    if (auto error = Parse(argc, argv, a)) return Fail(*error);
    if (a.command == "keygen") return KeyGen(a);
    if (a.command == "check-key") return CheckKey(a);
    try {
        zeva::SigningKey key;
        if (a.signKey) {
            std::string error;
            // Loaded first: a bad key file fails before any file is hashed or written.
            if (key.Load(*a.signKey, error) != 0) return Fail(error);
        }
        const bool isMain = a.command == "main";
        const std::string catalogName =
            isMain ? zeva::cfgkeys::kUpdateConfigIni : zeva::cfgkeys::kPlugCatalogIni;
        const auto files = pub::ScanRelease(a.dir, catalogName, &ShowProgress, key.IsSet());
        const auto kind = isMain ? pub::CatalogKind::Main
                                 : (a.filesSection ? pub::CatalogKind::PluginFilesSection
                                                   : pub::CatalogKind::Plugin);
        pub::CatalogStamp stamp;
        if (key.IsSet()) {
            const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
            stamp.sequence = a.sequence != 0 ? a.sequence : now;
            if (a.expiresDays != 0) stamp.expires = now + a.expiresDays * 86400;
        }
        const std::string text = pub::CatalogText(kind, files, a.version, stamp);
        std::string signature;
        if (key.IsSet()) {
            std::string error;
            if (key.Sign(text, signature, error) != 0) return Fail(error);
        }
        fs::path catalog;
        if (a.output || !a.serverRoot) {
            catalog = a.output ? *a.output : a.dir / catalogName;
            // Checked before anything is written: the signature goes beside it.
            std::error_code ec;
            const auto status = fs::status(catalog, ec);
            if (fs::exists(status) && !fs::is_regular_file(status))
                return Fail(zeva::Utf8Path(catalog) + " is not a regular file");
            if (!signature.empty()) {
                fs::path sig = catalog;
                sig += zeva::cfgkeys::kSignatureSuffix;
                pub::WriteFileAtomically(sig, signature);
            }
            pub::WriteFileAtomically(catalog, text);
        }
        fs::path served;
        if (a.serverRoot) {
            served = pub::LayOutServer(*a.serverRoot, a.type, a.prefix, files, catalogName, text,
                                       signature);
        }
        std::uintmax_t bytes = 0;
        for (const auto& f : files) bytes += f.size;
        if (a.json) {
            std::cout << "{\"catalog\":" << zeva::tools::JsonString(zeva::Utf8Path(catalog))
                      << ",\"served\":" << zeva::tools::JsonString(zeva::Utf8Path(served))
                      << ",\"signed\":" << (signature.empty() ? "false" : "true")
                      << ",\"sequence\":" << stamp.sequence << ",\"expires\":" << stamp.expires
                      << ",\"files\":" << files.size() << ",\"bytes\":" << bytes << ",\"version\":"
                      << zeva::tools::JsonString(zeva::AcpToUtf8(a.version.version))
                      << ",\"names\":[";
            for (size_t i = 0; i < files.size(); ++i) {
                std::cout << (i ? "," : "")
                          << zeva::tools::JsonString(zeva::AcpToUtf8(files[i].name));
            }
            std::cout << "]}\n";
        } else {
            if (!catalog.empty()) std::cout << "catalog: " << zeva::Utf8Path(catalog) << "\n";
            if (!served.empty()) std::cout << "served:  " << zeva::Utf8Path(served) << "\n";
            if (!signature.empty()) {
                std::cout << "signed:  " << catalogName << ".sig beside it, SEQUENCE "
                          << stamp.sequence;
                if (stamp.expires != 0) std::cout << ", expires " << zeva::UtcText(stamp.expires);
                std::cout << "\n";
            }
            std::cout << files.size() << " files, " << bytes << " bytes";
            if (isMain) std::cout << ", version " << zeva::AcpToUtf8(a.version.version);
            std::cout << "\n";
        }
        return 0;
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}

}  // namespace

int main(int argc, char** argv) {
    zeva::ProgramArguments args(argc, argv);
    return Run(args.argc(), args.argv());
}
