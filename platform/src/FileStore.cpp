#include "platform/FileStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <random>

#include "Process_p.h"
#include "platform/RegularFile.h"

namespace zeva {

namespace fs = std::filesystem;

namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

void SetError(std::string* error, const std::string& what, const fs::path& path) {
    if (error != nullptr) *error = what + " " + path.string() + ": " + std::strerror(errno);
}

bool ReadAll(int fd, std::string& out) {
    out.clear();
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        out.append(buf, static_cast<size_t>(n));
    }
}

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string TempName(const fs::path& path) {
    thread_local std::mt19937_64 rng{std::random_device{}()};
    return path.string() + ".~" + std::to_string(::getpid()) + "-" +
           std::to_string(rng() % 1000000007ULL);
}

// Removes temporary files that writers killed mid-write left beside `path`.
void RemoveStaleTemporaries(const fs::path& path) {
    const std::string prefix = path.filename().string() + ".~";
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(
             path.parent_path().empty() ? fs::path(".") : path.parent_path(), ec)) {
        const std::string name = e.path().filename().string();
        if (name.rfind(prefix, 0) != 0) continue;
        const auto dash = name.find('-', prefix.size());
        if (dash == std::string::npos) continue;
        const pid_t pid =
            static_cast<pid_t>(std::atol(name.substr(prefix.size(), dash - prefix.size()).c_str()));
        if (ProcessAlive(pid)) continue;
        fs::remove(e.path(), ec);
    }
}

void SyncDirectory(const fs::path& dir) {
    Fd d(::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (d.get() >= 0) ::fsync(d.get());
}

// The file a name finally refers to: a symbolic link is followed (relative
// targets from the link's directory), so a rewrite replaces the target and
// keeps the link. A loop is left for open() to report.
fs::path FinalTarget(const fs::path& path) {
    fs::path current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::error_code ec;
        const fs::path target = fs::read_symlink(current, ec);
        if (ec) return current;
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    return current;
}

bool NotRegular(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return true;
    if (S_ISREG(st.st_mode)) return false;
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return true;
}

// Writes `content` next to `path` and renames it into place.
bool WriteAndRename(const fs::path& path, const std::string& content, mode_t mode,
                    std::string* error) {
    const std::string tmp = TempName(path);
    Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (fd.get() < 0) {
        SetError(error, "cannot create", tmp);
        return false;
    }
    if (!WriteAll(fd.get(), content) || ::fsync(fd.get()) != 0) {
        SetError(error, "cannot write", tmp);
        ::unlink(tmp.c_str());
        return false;
    }
    ::close(fd.release());
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        SetError(error, "cannot replace", path);
        ::unlink(tmp.c_str());
        return false;
    }
    SyncDirectory(path.parent_path());
    return true;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const fs::path& path) {
    // A FIFO or device would block or never end, and is no settings file.
    return ReadRegularFile(path);
}

std::optional<FileIdentity> IdentifyFile(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{
        static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
        static_cast<std::int64_t>(st.st_size),
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

bool RewriteFile(const fs::path& givenPath,
                 const std::function<std::optional<std::string>(const std::string&)>& edit,
                 std::string* error) {
    const fs::path path = FinalTarget(givenPath);
    // Lock the file itself. A writer that renamed a new file over it while we
    // waited has changed the inode behind the name, so lock again until the
    // locked file is the one the name refers to.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        Fd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644));
        if (fd.get() < 0) {
            SetError(error, "cannot open", path);
            return false;
        }
        if (NotRegular(fd.get())) {
            if (error != nullptr) *error = path.string() + " is not a regular file";
            return false;
        }
        while (::flock(fd.get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                SetError(error, "cannot lock", path);
                return false;
            }
        }
        struct stat locked {};
        struct stat named {};
        if (::fstat(fd.get(), &locked) != 0) {
            SetError(error, "cannot stat", path);
            return false;
        }
        if (::stat(path.c_str(), &named) != 0 || named.st_ino != locked.st_ino ||
            named.st_dev != locked.st_dev) {
            continue;
        }
        std::string current;
        if (!ReadAll(fd.get(), current)) {
            SetError(error, "cannot read", path);
            return false;
        }
        const std::optional<std::string> next = edit(current);
        if (!next) return true;
        RemoveStaleTemporaries(path);
        // The lock is released when `fd` closes, after the rename.
        return WriteAndRename(path, *next, locked.st_mode & 07777, error);
    }
    if (error != nullptr) *error = "cannot lock " + path.string() + ": file keeps changing";
    return false;
}

bool ReplaceFileContent(const fs::path& path, const std::string& content, std::string* error) {
    return WriteAndRename(FinalTarget(path), content, 0644, error);
}

}  // namespace zeva
