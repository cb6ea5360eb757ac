// The plug-in loader on Linux: ELF checks, dlopen and dlsym.
#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "PluginLibrary_p.h"
#include "platform/RegularFile.h"

namespace fs = std::filesystem;

namespace zeva::host::detail {

namespace {

#if defined(__x86_64__)
constexpr unsigned kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr unsigned kMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr unsigned kMachine = EM_386;
#elif defined(__arm__)
constexpr unsigned kMachine = EM_ARM;
#else
constexpr unsigned kMachine = 0;  // not checked
#endif

// Whether `path` is a shared library this process can map. The loader maps
// a truncated file's segments past its end and faults on them, so the file
// is checked first: an ELF shared object of this machine whose loadable
// segments all lie within the file.
// Reads exactly `size` bytes at `offset`.
bool ReadAt(int fd, void* out, std::size_t size, std::uintmax_t offset) {
    auto* p = static_cast<char*>(out);
    while (size > 0) {
        const ssize_t n = ::pread(fd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uintmax_t>(n);
    }
    return true;
}

}  // namespace

bool CheckLibraryFile(const fs::path& path, std::string& error) {
    // Opened as a regular file first: whatever took its place since it was
    // found (a FIFO, say) must not block the host.
    const int fd = OpenRegularFile(path, &error);
    if (fd < 0) return false;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    ::fstat(fd, &st);
    const auto size = static_cast<std::uintmax_t>(st.st_size);
    ElfW(Ehdr) header{};
    if (!ReadAt(fd, &header, sizeof header, 0) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) {
        error = path.string() + " is no plug-in: not a shared library";
        return false;
    }
    const unsigned char wantClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
    const unsigned char wantData =
        __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;
    if (header.e_ident[EI_CLASS] != wantClass || header.e_ident[EI_DATA] != wantData ||
        (kMachine != 0 && header.e_machine != kMachine)) {
        error = path.string() + " is no plug-in for this machine: it is built for another " +
                "architecture (ELF machine " + std::to_string(header.e_machine) + ")";
        return false;
    }
    if (header.e_type != ET_DYN) {
        error = path.string() + " is no plug-in: not a shared library";
        return false;
    }
    const auto tableEnd = static_cast<std::uintmax_t>(header.e_phoff) +
                          static_cast<std::uintmax_t>(header.e_phnum) * sizeof(ElfW(Phdr));
    std::uintmax_t needed = tableEnd;
    if (header.e_phentsize == sizeof(ElfW(Phdr)) && tableEnd <= size) {
        for (unsigned i = 0; i < header.e_phnum; ++i) {
            ElfW(Phdr) ph{};
            if (!ReadAt(fd, &ph, sizeof ph, header.e_phoff + i * sizeof ph)) break;
            if (ph.p_type == PT_LOAD)
                needed = std::max<std::uintmax_t>(
                    needed, static_cast<std::uintmax_t>(ph.p_offset) + ph.p_filesz);
        }
    } else if (header.e_phentsize != sizeof(ElfW(Phdr))) {
        error = path.string() + " is no plug-in: not a shared library";
        return false;
    }
    if (needed > size) {
        error = path.string() + " is no plug-in: the file is truncated (" + std::to_string(size) +
                " bytes of at least " + std::to_string(needed) + ")";
        return false;
    }
    return true;
}

fs::path RealPath(const fs::path& path, std::error_code& ec) {
    return fs::canonical(path, ec);
}

void* OpenLibrary(const fs::path& path, std::string& error) {
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        error = "cannot load " + path.string() + ": " + (why ? why : "unknown reason");
    }
    return handle;
}

void* LibrarySymbol(void* handle, const char* name) {
    return dlsym(handle, name);
}

void CloseLibrary(void* handle) {
    dlclose(handle);
}

}  // namespace zeva::host::detail
