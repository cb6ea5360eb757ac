// Thread slots on Windows: a fiber-local storage index. The value lives in the
// system's own per-thread table, which outlasts the runtime's thread_local
// storage, and the system runs the callback on every thread that ends with a
// value set.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "ThreadSlot_p.h"

namespace zeva::detail {

ThreadSlot::ThreadSlot(Cleanup cleanup) {
    const DWORD index = FlsAlloc(cleanup);
    if (index == FLS_OUT_OF_INDEXES) {
        std::fputs("zeva: out of fiber-local storage indexes\n", stderr);
        std::abort();
    }
    key_ = index;
}

void* ThreadSlot::Get() const {
    return FlsGetValue(static_cast<DWORD>(key_));
}

void ThreadSlot::Set(void* value) {
    FlsSetValue(static_cast<DWORD>(key_), value);
}

}  // namespace zeva::detail
