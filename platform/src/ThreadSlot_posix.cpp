// Thread slots on POSIX: a pthread key, whose destructor the C library runs
// on every thread that ends with a value set.
#include <pthread.h>

#include <cstdio>
#include <cstdlib>

#include "ThreadSlot_p.h"

namespace zeva::detail {

ThreadSlot::ThreadSlot(Cleanup cleanup) {
    pthread_key_t key{};
    if (pthread_key_create(&key, cleanup) != 0) {
        std::fputs("zeva: out of thread-specific keys\n", stderr);
        std::abort();
    }
    key_ = static_cast<std::uintptr_t>(key);
}

void* ThreadSlot::Get() const {
    return pthread_getspecific(static_cast<pthread_key_t>(key_));
}

void ThreadSlot::Set(void* value) {
    pthread_setspecific(static_cast<pthread_key_t>(key_), value);
}

}  // namespace zeva::detail
