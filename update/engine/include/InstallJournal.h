#pragma once
// What an installation made beside the installed files: every temporary
// copy and every backup of a file moved aside. Each record is written and
// synced before the file appears under its name, so a run that ends at any
// moment leaves a journal naming exactly what the next run has to delete or
// restore; files the engine never made are never touched.
//
// One journal per staging folder ("UPDATE\" and "UPDATE\<folder>\" under
// the application directory). A job holds an exclusive lock on its journal
// while it installs; the clean-up of another run leaves a locked journal alone.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zeva {

class JournalFile;

inline constexpr char kInstallJournalName[] = "install.journal";

struct JournalRecord {
    enum class Kind { Temporary, Backup };
    Kind kind = Kind::Temporary;
    std::filesystem::path file;    // the temporary, or the original that was moved aside
    std::filesystem::path backup;  // Backup only: where the original went
};

class InstallJournal {
public:
    // `file` is the journal; the paths it records are kept relative to `root`
    // (the application directory) and must lie below it.
    InstallJournal(std::filesystem::path root, std::filesystem::path file);
    ~InstallJournal();
    InstallJournal(const InstallJournal&) = delete;
    InstallJournal& operator=(const InstallJournal&) = delete;

    // False when the record could not be made durable: the caller must not make the file then.
    bool RecordTemporary(const std::filesystem::path& temporary);
    bool RecordBackup(const std::filesystem::path& original, const std::filesystem::path& backup);
    // Releases the lock; later records open the journal again.
    void Close();

    const std::filesystem::path& File() const { return file_; }

private:
    bool Append(const std::string& line);
    bool OpenLocked();

    std::filesystem::path root_;
    std::filesystem::path file_;
    std::unique_ptr<JournalFile> lock_;  // open and locked while the job records
};

// The valid records of a journal, in the order they were made (a record cut
// short by a crash, or naming a path that could leave the root, is left out).
std::vector<JournalRecord> ReadJournal(const std::filesystem::path& journal);

// Whether anything a journal names still exists (a backup kept for the next
// run, a temporary a failed step left).
bool JournalHasLeftovers(const std::filesystem::path& root, const std::filesystem::path& journal);

// Removes a staging folder with its contents, except journals that still
// name leftovers or that a running job holds.
void RemoveStagingFolder(const std::filesystem::path& root, const std::filesystem::path& folder);

// Start of a run: plays every journal of the staging folders below
// `appDir` + "UPDATE" that no running job holds. Temporaries are deleted; a
// backup is deleted when its original exists and moved back when it does
// not. Each journal played is removed.
void CleanUpInstallLeftovers(const std::string& acpAppDir);

}  // namespace zeva
