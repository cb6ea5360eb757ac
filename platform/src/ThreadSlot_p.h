#pragma once
// A pointer each thread keeps, with a cleanup that runs on a thread that ends
// holding one. Per-thread state that must be tidied when its thread ends goes
// here rather than into a thread_local object with a destructor: MinGW's
// runtime may release a thread_local's storage before that destructor runs,
// which then works on freed memory.
//
// The cleanup runs on the ending thread after its thread_local storage may be
// gone: it works on the pointer it is given and nothing thread_local.

#include <cstdint>

namespace zeva::detail {

class ThreadSlot {
public:
    using Cleanup = void (*)(void* value);

    explicit ThreadSlot(Cleanup cleanup);
    ThreadSlot(const ThreadSlot&) = delete;
    ThreadSlot& operator=(const ThreadSlot&) = delete;

    // Slots live as long as the program: a thread may end after main() returns.
    void* Get() const;
    void Set(void* value);

private:
    std::uintptr_t key_ = 0;
};

}  // namespace zeva::detail
