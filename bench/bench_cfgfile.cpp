// Reading one key from an enciphered settings file of 5,000 keys, as a fresh
// object does it (open, decipher, parse) and as a reused object does it.

#include <benchmark/benchmark.h>

#include "CryptConfigFile.h"
#include "TestSupport.h"

namespace {

struct Fixture {
    Fixture() {
        path = (dir / "Big.dat").string();
        CCryptConfigFile f(path, "");
        // One write per section keeps setup short: build it through a plain import.
        for (int s = 0; s < 50; ++s) {
            for (int k = 0; k < 100; ++k) {
                f.WriteString("Section" + std::to_string(s), "Key" + std::to_string(k),
                              "http://speedtest" + std::to_string(k) + ".example/file.bin");
            }
        }
    }
    zeva::test::TempDir dir;
    std::string path;
};

Fixture& Shared() {
    static Fixture f;
    return f;
}

void BM_ReadOneKeyFreshObject(benchmark::State& state) {
    const std::string& path = Shared().path;
    std::string out;
    for (auto _ : state) {
        CCryptConfigFile f(path, "");
        f.ReadString("Section49", "Key99", "", out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_ReadOneKeyFreshObject)->Unit(benchmark::kMicrosecond);

void BM_ReadOneKeyReusedObject(benchmark::State& state) {
    CCryptConfigFile f(Shared().path, "");
    std::string out;
    for (auto _ : state) {
        f.ReadString("Section49", "Key99", "", out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_ReadOneKeyReusedObject)->Unit(benchmark::kMicrosecond);

void BM_WriteOneKey(benchmark::State& state) {
    CCryptConfigFile f(Shared().path, "");
    int i = 0;
    for (auto _ : state) f.WriteString("Section0", "Key0", std::to_string(i++));
}
BENCHMARK(BM_WriteOneKey)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
