// Reading one key from an enciphered settings file of 5,000 keys, as a fresh
// object does it (open, decipher, parse) and as a reused object does it;
// writing one key; importing 20,000 keys in one rewrite (zeva-cfg import).

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "CryptConfigFile.h"
#include "TestSupport.h"

namespace {

struct Fixture {
    Fixture() {
        path = (dir / "Big.dat").string();
        CCryptConfigFile f(path, "");
        std::vector<CCryptConfigFile::Entry> entries;
        for (int s = 0; s < 50; ++s) {
            for (int k = 0; k < 100; ++k) {
                entries.push_back({"Section" + std::to_string(s), "Key" + std::to_string(k),
                                   "http://speedtest" + std::to_string(k) + ".example/file.bin"});
            }
        }
        f.WriteEntries(entries);
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

// Target: well under a second for 20,000 keys (one locked rewrite per key
// took over two minutes).
void BM_ImportTwentyThousandKeys(benchmark::State& state) {
    std::vector<CCryptConfigFile::Entry> entries;
    for (int k = 0; k < 20000; ++k) {
        entries.push_back({"Section" + std::to_string(k % 20), "Key" + std::to_string(k),
                           "value " + std::to_string(k)});
    }
    zeva::test::TempDir dir;
    int round = 0;
    for (auto _ : state) {
        CCryptConfigFile f((dir / ("Import" + std::to_string(round++) + ".dat")).string(), "");
        if (f.WriteEntries(entries) != 0) state.SkipWithError(f.LastError().c_str());
    }
}
BENCHMARK(BM_ImportTwentyThousandKeys)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
