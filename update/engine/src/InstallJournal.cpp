#include "InstallJournal.h"

#include <sstream>
#include <system_error>
#include <utility>

#include "ConfigKeys.h"
#include "FileInstaller.h"
#include "FileSync_p.h"
#include "JournalFile_p.h"
#include "platform/AppPath.h"
#include "platform/RegularFile.h"

namespace fs = std::filesystem;

namespace zeva {

namespace {

// Lines are "T <temporary>" and "B <original> <backup>", paths relative to
// the root; bytes a line cannot hold are written as %XX.
std::string Escape(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || c == '%' || u == 0x7F) {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool Unescape(const std::string& text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return false;
        const int hi = HexDigit(text[i + 1]);
        const int lo = HexDigit(text[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

// A relative path without "." or ".." segments: it cannot leave the root.
bool StaysBelow(const fs::path& relative) {
    if (relative.empty() || relative.is_absolute() || relative.has_root_name()) return false;
    for (const fs::path& part : relative) {
        if (part.empty() || part == "." || part == "..") return false;
    }
    return true;
}

bool EndsWith(const std::string& s, const std::string& suffix) {
    return s.size() > suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Only names the installer itself forms are accepted: "<file>.zeva-new",
// "<file>.<n>.zeva-new", "<file>.bak" and "<file>.<n>.bak".
bool IsTemporaryName(const fs::path& p) {
    return EndsWith(GenericUtf8Path(p), kNewFileSuffix);
}

bool IsBackupOf(const fs::path& original, const fs::path& backup) {
    const std::string o = GenericUtf8Path(original);
    const std::string b = GenericUtf8Path(backup);
    return b.size() > o.size() + 1 && b.compare(0, o.size(), o) == 0 && b[o.size()] == '.' &&
           EndsWith(b, kBackupSuffix);
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

void PlayRecords(const fs::path& root, const std::vector<JournalRecord>& records) {
    std::error_code ec;
    for (const JournalRecord& r : records) {
        if (r.kind == JournalRecord::Kind::Temporary) {
            if (fs::is_regular_file(fs::symlink_status(root / r.file, ec)))
                RemoveInstallerFile(root / r.file);
            continue;
        }
        const fs::path backup = root / r.backup;
        if (!fs::is_regular_file(fs::symlink_status(backup, ec))) continue;
        if (Exists(root / r.file)) {
            RemoveInstallerFile(backup);
        } else {
            // The run ended between moving the original aside and putting the new file there.
            fs::rename(backup, root / r.file, ec);
        }
    }
}

}  // namespace

InstallJournal::InstallJournal(fs::path root, fs::path file)
    : root_(std::move(root)), file_(std::move(file)), lock_(std::make_unique<JournalFile>()) {}

InstallJournal::~InstallJournal() {
    Close();
}

void InstallJournal::Close() {
    lock_->Close();
}

bool InstallJournal::OpenLocked() {
    if (lock_->IsOpen()) return true;
    std::error_code ec;
    fs::create_directories(file_.parent_path(), ec);
    return lock_->OpenForAppend(file_) && SyncDirectory(file_.parent_path());
}

bool InstallJournal::Append(const std::string& line) {
    return OpenLocked() && lock_->Append(line);
}

bool InstallJournal::RecordTemporary(const fs::path& temporary) {
    const fs::path rel = temporary.lexically_relative(root_);
    if (!StaysBelow(rel) || !IsTemporaryName(rel)) return false;
    return Append("T " + Escape(GenericUtf8Path(rel)) + "\n");
}

bool InstallJournal::RecordBackup(const fs::path& original, const fs::path& backup) {
    const fs::path o = original.lexically_relative(root_);
    const fs::path b = backup.lexically_relative(root_);
    if (!StaysBelow(o) || !StaysBelow(b) || !IsBackupOf(o, b)) return false;
    return Append("B " + Escape(GenericUtf8Path(o)) + " " + Escape(GenericUtf8Path(b)) + "\n");
}

std::vector<JournalRecord> ReadJournal(const fs::path& journal) {
    std::vector<JournalRecord> out;
    const auto data = ReadRegularFile(journal);
    if (!data) return out;
    const std::string& text = *data;
    size_t start = 0;
    while (true) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) break;  // a line without its end was cut short
        std::istringstream line(text.substr(start, end - start));
        start = end + 1;
        std::string kind, first, second, rest;
        line >> kind >> first >> second >> rest;
        if (!rest.empty()) continue;
        JournalRecord r;
        std::string a, b;
        if (!Unescape(first, a)) continue;
        r.file = PathFromUtf8(a);
        if (!StaysBelow(r.file)) continue;
        if (kind == "T" && second.empty() && IsTemporaryName(r.file)) {
            r.kind = JournalRecord::Kind::Temporary;
        } else if (kind == "B" && Unescape(second, b) && StaysBelow(PathFromUtf8(b)) &&
                   IsBackupOf(r.file, PathFromUtf8(b))) {
            r.kind = JournalRecord::Kind::Backup;
            r.backup = PathFromUtf8(b);
        } else {
            continue;
        }
        out.push_back(std::move(r));
    }
    return out;
}

bool JournalHasLeftovers(const fs::path& root, const fs::path& journal) {
    for (const JournalRecord& r : ReadJournal(journal)) {
        if (Exists(root / (r.kind == JournalRecord::Kind::Backup ? r.backup : r.file))) return true;
    }
    return false;
}

namespace {

bool HeldByAnotherJob(const fs::path& journal) {
    JournalFile probe;
    return probe.TryLockExisting(journal) == JournalFile::TryResult::Held;
}

void RemoveTree(const fs::path& root, const fs::path& dir) {
    std::error_code ec;
    std::vector<fs::path> entries;
    for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        entries.push_back(it->path());
    }
    for (const fs::path& p : entries) {
        const fs::file_status st = fs::symlink_status(p, ec);
        if (fs::is_directory(st)) {
            RemoveTree(root, p);
        } else if (p.filename() == kInstallJournalName &&
                   (JournalHasLeftovers(root, p) || HeldByAnotherJob(p))) {
            continue;
        } else {
            RemoveInstallerFile(p);
        }
    }
    fs::remove(dir, ec);  // stays when a journal was kept
}

}  // namespace

void RemoveStagingFolder(const fs::path& root, const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(folder, ec))) {
        fs::remove(folder, ec);
        return;
    }
    RemoveTree(root, folder);
}

void CleanUpInstallLeftovers(const std::string& acpAppDir) {
    const fs::path root = NativePath(acpAppDir);
    const fs::path updates = NativePath(acpAppDir + cfgkeys::kUpdateDir);
    std::vector<fs::path> journals{updates / kInstallJournalName};
    std::error_code ec;
    for (auto it = fs::directory_iterator(updates, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            journals.push_back(it->path() / kInstallJournalName);
    }
    for (const fs::path& journal : journals) {
        // Held by a job that is installing right now: its records are not ours to play.
        JournalFile held;
        if (held.TryLockExisting(journal) != JournalFile::TryResult::Locked) continue;
        PlayRecords(root, ReadJournal(journal));
        // Removed while still locked, so no job takes the played journal meanwhile.
        fs::remove(journal, ec);
    }
}

}  // namespace zeva
