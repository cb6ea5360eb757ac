#pragma once
// A named mutex shared by the processes of one user, for "only one copy of
// this program runs". Backed by a lock file in the user's runtime directory
// (flock), so the operating system releases it when its holder dies.

#include <memory>
#include <string>

namespace zeva {

class NamedMutex {
public:
    // Creates (and holds) the mutex. When another process holds it already,
    // returns an object with AlreadyExists() true that holds nothing. When
    // no lock can be made at all (no runtime directory), the object holds
    // nothing and AlreadyExists() is false, so the program still runs.
    static std::unique_ptr<NamedMutex> Create(const std::string& name);

    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;
    ~NamedMutex();

    bool AlreadyExists() const { return exists_; }

private:
    NamedMutex(int fd, bool exists) : fd_(fd), exists_(exists) {}
    int fd_;
    bool exists_;
};

}  // namespace zeva
