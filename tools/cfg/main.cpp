// zeva-cfg: read and change the settings files of an installation.
//
// The files hold text in the system code page; this tool speaks UTF-8 on the
// terminal and converts in both directions.

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ConfigFile.h"
#include "CryptConfigFile.h"
#include "Json.h"
#include "SignatureVerifier.h"
#include "TerminalText.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"
#include "platform/FileStore.h"
#include "platform/ProgramArguments.h"

namespace {

constexpr char kUsage[] =
    "usage: zeva-cfg [--plain] [--json] COMMAND FILE ...\n"
    "\n"
    "Reads and changes the enciphered settings files (Config.dat, UserConfig.dat, ...).\n"
    "Text is UTF-8 on the terminal and the system code page (ZEVA_ACP, default GBK) in the file.\n"
    "\n"
    "commands:\n"
    "  get FILE SECTION KEY [--default TEXT]   print the value on one line\n"
    "  set FILE SECTION KEY VALUE              store a value (creates file and section)\n"
    "  del FILE SECTION [KEY]                  delete a key, or the whole section\n"
    "  dump FILE                               print every section as INI text (values\n"
    "                                          INI cannot hold need --json)\n"
    "  import FILE                             merge INI text from standard input: every\n"
    "                                          line is checked first, then all keys are\n"
    "                                          stored in one rewrite\n"
    "\n"
    "options:\n"
    "  --plain   FILE is a plain INI text file (read only: get, dump)\n"
    "  --json    print get and dump results as JSON\n"
    "  --help    show this text\n"
    "\n"
    "FILE is used as given; one that does not exist yet reads as empty (every key at\n"
    "its default). Text that is not valid UTF-8, holds NUL bytes or has no\n"
    "form in the code page is refused, as is an unknown code page.\n"
    "\n"
    "exit status: 0 success, 1 key not found (get), 2 bad usage or unreadable file\n";

int Fail(const std::string& reason) {
    std::cerr << "zeva-cfg: " << reason << "\n";
    return 2;
}

// Input that cannot be stored exactly; reported as the one-line reason.
struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Text from the command line or standard input in the system code page,
// exactly or not at all.
std::string A(const std::string& utf8, const std::string& what) {
    std::string acp;
    std::string why;
    if (!zeva::Utf8ToAcpChecked(utf8, acp, &why)) throw InputError(what + ": " + why);
    return acp;
}
std::string U(const std::string& acp) {
    return zeva::AcpToUtf8(acp);
}

// Why INI text cannot hold a name or value as it is; empty when it can.
// `key` adds what a key line may not start with or hold.
std::string NotIniText(const std::string& text, bool key) {
    if (text.find_first_of("\n\r") != std::string::npos) return "holds a line break";
    if (text.find('\0') != std::string::npos) return "holds a NUL byte";
    if (!text.empty() &&
        (text.front() == ' ' || text.front() == '\t' || text.back() == ' ' || text.back() == '\t'))
        return "starts or ends with a blank";
    if (key && text.empty()) return "is empty";
    if (key && text.find('=') != std::string::npos) return "holds '='";
    if (key && (text.front() == '[' || text.front() == ';' || text.front() == '#'))
        return "starts with '" + text.substr(0, 1) + "'";
    return "";
}

// A stored text as the terminal shows it: control characters (values may
// come from server answers) are escaped as zeva-client escapes them; a tab
// is ordinary INI text and stays, so a dump still imports back.
std::string Shown(const std::string& utf8) {
    std::string out;
    std::size_t start = 0;
    for (std::size_t tab = utf8.find('\t'); tab != std::string::npos;
         start = tab + 1, tab = utf8.find('\t', start))
        out += zeva::tools::TerminalText(std::string_view(utf8).substr(start, tab - start)) + '\t';
    return out + zeva::tools::TerminalText(std::string_view(utf8).substr(start));
}

// The reading side of both file kinds behind one face.
struct Reader {
    std::optional<CConfigFile> plain;
    std::optional<CCryptConfigFile> crypt;

    std::vector<std::string> Sections() {
        std::vector<std::string> out;
        plain ? plain->ReadSections(out) : crypt->ReadSections(out);
        return out;
    }
    // Keys with their values, in file order, in one look-up per section.
    std::vector<std::pair<std::string, std::string>> Entries(const std::string& section) {
        std::vector<std::pair<std::string, std::string>> out;
        plain ? plain->ReadSectionValues(section, out) : crypt->ReadSectionValues(section, out);
        return out;
    }
    std::string Value(const std::string& section, const std::string& key) {
        std::string out;
        plain ? plain->ReadString(section, key, "", out) : crypt->ReadString(section, key, "", out);
        return out;
    }
    bool Has(const std::string& section, const std::string& key) {
        // Names match case-insensitively, so ask the store with a sentinel default.
        std::string out;
        const std::string sentinel = "\x01zeva-cfg-missing\x01";
        plain ? plain->ReadString(section, key, sentinel, out)
              : crypt->ReadString(section, key, sentinel, out);
        return out != sentinel;
    }
};

bool SameName(const std::string& a, const char* b) {
    const std::string other(b);
    if (a.size() != other.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(other[i])))
            return false;
    }
    return true;
}

// The value is stored as asked; a release key the updaters would refuse (a
// placeholder such as all zero bytes among them) stops every update, so say so.
void WarnAboutPublicKey(const std::string& section, const std::string& key,
                        const std::string& value) {
    if (value.empty() || !SameName(section, "Update") || !SameName(key, "PublicKey")) return;
    zeva::SignatureVerifier verifier;
    std::string error;
    if (verifier.SetPublicKeys(value, error) == 0) return;
    std::cerr << "zeva-cfg: warning: updaters refuse this PublicKey and install nothing until "
                 "it is replaced: "
              << zeva::tools::TerminalText(error) << "\n";
}

// Applies INI text to the file: every line is checked and converted first,
// then all keys are set, in order, in one rewrite.
int Import(CCryptConfigFile& file, const std::string& text) {
    std::vector<CCryptConfigFile::Entry> entries;
    std::string section;
    bool haveSection = false;
    size_t count = 0;
    size_t lineNo = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        const size_t eol = text.find('\n', pos);
        std::string line =
            text.substr(pos, eol == std::string::npos ? std::string::npos : eol - pos);
        pos = eol == std::string::npos ? text.size() + 1 : eol + 1;
        ++lineNo;
        const std::string at = "line " + std::to_string(lineNo);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos) continue;
        line.erase(0, start);
        if (line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            const auto close = line.find(']');
            if (close == std::string::npos) return Fail(at + ": unclosed section header");
            section = A(line.substr(1, close - 1), at + ": section");
            haveSection = true;
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) return Fail(at + ": expected key=value");
        if (!haveSection) return Fail(at + ": key before any [section]");
        std::string key = line.substr(0, eq);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
        std::string value = line.substr(eq + 1);
        value.erase(0, value.find_first_not_of(" \t") == std::string::npos
                           ? value.size()
                           : value.find_first_not_of(" \t"));
        if (key.empty()) return Fail(at + ": empty key");
        entries.push_back({section, A(key, at + ": key"), A(value, at + ": value")});
        ++count;
    }
    if (!entries.empty() && file.WriteEntries(entries) != 0) return Fail(file.LastError());
    for (const auto& e : entries) WarnAboutPublicKey(e.section, e.key, e.value);
    std::cerr << "zeva-cfg: imported " << count << " key" << (count == 1 ? "" : "s") << "\n";
    return 0;
}

int Run(int argc, char** argv) {
    try {
        bool plain = false;
        bool json = false;
        std::optional<std::string> def;
        std::vector<std::string> args;
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            if (a == "--help" || a == "-h") {
                std::cout << kUsage;
                return 0;
            } else if (a == "--plain") {
                plain = true;
            } else if (a == "--json") {
                json = true;
            } else if (a == "--default") {
                if (i + 1 >= argc) return Fail("--default needs a value");
                def = argv[++i];
            } else if (a.size() > 2 && a.rfind("--", 0) == 0) {
                return Fail("unknown option " + a + " (see --help)");
            } else {
                args.push_back(a);
            }
        }
        if (args.size() < 2)
            return Fail(args.empty() ? "no command (see --help)" : "no FILE given (see --help)");
        const std::string& cmd = args[0];
        // The file name is used as given, byte for byte.
        const std::filesystem::path path = zeva::PathFromUtf8(args[1]);
        const std::string shownPath = zeva::tools::TerminalText(args[1]);
        const auto need = [&](size_t n) { return args.size() == n + 2; };

        const bool reads = cmd == "get" || cmd == "dump";
        const bool writes = cmd == "set" || cmd == "del" || cmd == "import";
        if (!reads && !writes) return Fail("unknown command '" + cmd + "' (see --help)");
        if (plain && writes) return Fail("--plain files are read only");

        // A FIFO or device would block the reads or never end.
        std::error_code ec;
        const auto status = std::filesystem::status(path, ec);
        if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
            return Fail(shownPath + " is not a regular file");
        }
        Reader reader;
        if (plain) {
            if (!zeva::ReadWholeFile(path)) return Fail("cannot read " + shownPath);
            reader.plain.emplace(CConfigFile::FromNativePath(path));
        } else {
            const auto state = zeva::cfg::InspectCryptFile(path);
            if (state == zeva::cfg::StoreState::NotAFile)
                return Fail(shownPath + " is not a regular file");
            if (state == zeva::cfg::StoreState::Unreadable) {
                return Fail(shownPath + " is damaged or not an enciphered settings file");
            }
            // A file not written yet holds only defaults: nothing to dump,
            // every key absent. Said on stderr so a mistyped name shows.
            if (state == zeva::cfg::StoreState::Missing && reads)
                std::cerr << "zeva-cfg: " << shownPath
                          << " does not exist yet (every key at its default)\n";
            reader.crypt.emplace();
            reader.crypt->InitializeNative(path);
        }

        if (cmd == "get") {
            if (!need(2)) return Fail("usage: get FILE SECTION KEY");
            const std::string section = A(args[2], "section");
            const std::string key = A(args[3], "key");
            std::string value;
            if (reader.Has(section, key)) {
                value = U(reader.Value(section, key));
            } else if (def) {
                value = *def;
            } else {
                std::cerr << "zeva-cfg: no key '" << args[3] << "' in section '" << args[2]
                          << "'\n";
                return 1;
            }
            if (json)
                std::cout << zeva::tools::JsonString(value) << "\n";
            else
                std::cout << Shown(value) << "\n";
            return 0;
        }
        if (cmd == "dump") {
            if (!need(0)) return Fail("usage: dump FILE");
            const auto sections = reader.Sections();
            std::vector<std::vector<std::pair<std::string, std::string>>> contents;
            for (const auto& s : sections) contents.push_back(reader.Entries(s));
            // Checked before anything is printed: text that INI cannot hold
            // would show as other sections and keys, and not import back.
            for (size_t i = 0; !json && i < sections.size(); ++i) {
                const std::string name = U(sections[i]);
                std::string why = NotIniText(name, false);
                if (why.empty() && name.find(']') != std::string::npos) why = "holds ']'";
                if (!why.empty()) {
                    return Fail("section '" + zeva::tools::TerminalText(name) + "' " + why +
                                ", which INI text cannot hold (use --json)");
                }
                for (const auto& [k, v] : contents[i]) {
                    const std::string where = "[" + zeva::tools::TerminalText(name) + "] " +
                                              zeva::tools::TerminalText(U(k));
                    if (why = NotIniText(U(k), true); !why.empty()) {
                        return Fail("key " + where + " " + why +
                                    ", which INI text cannot hold (use --json)");
                    }
                    if (why = NotIniText(U(v), false); !why.empty()) {
                        return Fail("value of " + where + " " + why +
                                    ", which INI text cannot hold (use --json)");
                    }
                }
            }
            if (json) std::cout << "{";
            for (size_t i = 0; i < sections.size(); ++i) {
                const auto& entries = contents[i];
                if (json) {
                    std::cout << (i == 0 ? "\n  " : ",\n  ")
                              << zeva::tools::JsonString(U(sections[i])) << ": {";
                    bool firstKey = true;
                    for (const auto& [k, v] : entries) {
                        std::cout << (firstKey ? "\n    " : ",\n    ")
                                  << zeva::tools::JsonString(U(k)) << ": "
                                  << zeva::tools::JsonString(U(v));
                        firstKey = false;
                    }
                    std::cout << (entries.empty() ? "}" : "\n  }");
                } else {
                    if (i != 0) std::cout << "\n";
                    std::cout << "[" << Shown(U(sections[i])) << "]\n";
                    for (const auto& [k, v] : entries)
                        std::cout << Shown(U(k)) << "=" << Shown(U(v)) << "\n";
                }
            }
            if (json) std::cout << (sections.empty() ? "}\n" : "\n}\n");
            return 0;
        }
        CCryptConfigFile& file = *reader.crypt;
        if (cmd == "set") {
            if (!need(3)) return Fail("usage: set FILE SECTION KEY VALUE");
            const std::string section = A(args[2], "section");
            const std::string key = A(args[3], "key");
            const std::string value = A(args[4], "value");
            if (file.WriteString(section, key, value) != 0) return Fail(file.LastError());
            WarnAboutPublicKey(section, key, value);
            return 0;
        }
        if (cmd == "del") {
            if (args.size() == 3) {
                if (file.EraseSection(A(args[2], "section")) != 0) return Fail(file.LastError());
                return 0;
            }
            if (!need(2)) return Fail("usage: del FILE SECTION [KEY]");
            const std::string section = A(args[2], "section");
            if (file.DeleteKey(section, A(args[3], "key")) != 0) return Fail(file.LastError());
            return 0;
        }
        if (!need(0)) return Fail("usage: import FILE < ini-text");
        const std::string text((std::istreambuf_iterator<char>(std::cin)),
                               std::istreambuf_iterator<char>());
        return Import(file, text);
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}

}  // namespace

int main(int argc, char** argv) {
    zeva::ProgramArguments args(argc, argv);
    return Run(args.argc(), args.argv());
}
