// A sound plug-in for the loader's tests whose worker thread runs the
// library's code until the unload hook stops and joins it: a loader that
// unloaded the library first would pull the code from under the thread.
// ZEVA_WORKER_RECORD names a file where it notes each entry point; the worker
// creates ZEVA_WORKER_BUSY once it has run.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "PlugContract.h"

namespace {

std::mutex mutex;
std::condition_variable wake;
bool stopping = false;
std::thread worker;
std::atomic<unsigned long> rounds{0};

void Note(const char* what) {
    const char* record = std::getenv("ZEVA_WORKER_RECORD");
    if (record == nullptr) return;
    if (FILE* f = std::fopen(record, "ab")) {
        std::fprintf(f, "%s\n", what);
        std::fclose(f);
    }
}

void Work() {
    if (const char* busy = std::getenv("ZEVA_WORKER_BUSY")) {
        if (FILE* f = std::fopen(busy, "wb")) std::fclose(f);
    }
    ++rounds;
    std::unique_lock<std::mutex> lock(mutex);
    while (!wake.wait_for(lock, std::chrono::milliseconds(1), [] { return stopping; })) ++rounds;
}

}  // namespace

extern "C" ZEVA_PLUG_EXPORT bool PlugInit() {
    std::lock_guard<std::mutex> lock(mutex);
    stopping = false;
    worker = std::thread(Work);
    Note("init");
    return true;
}

extern "C" ZEVA_PLUG_EXPORT void PlugCreate(CWnd*) {
    Note("create");
}

extern "C" ZEVA_PLUG_EXPORT bool PlugUnInit() {
    Note("uninit");
    return true;
}

extern "C" ZEVA_PLUG_EXPORT void ZevaPlugUnload() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    if (worker.joinable()) worker.join();
    Note(rounds > 0 ? "joined after work" : "joined");
}
