// Update engine figures, each printed against its goal in one run.
//
//   bench_update generate DIR       a 2,000-file, 200 MB release in DIR/release, the
//                                   installed copy in DIR/install (20 files differ)
//                                   and the catalog DIR/UpdateConfig.ini
//   bench_update evaluate DIR       time and peak memory of evaluating that catalog
//   bench_update fetch PORT DIR N   GetRemoteFile against curl for DIR/1/f0..f<N-1>
//                                   served on 127.0.0.1:PORT; prints the throughput ratio
//
// bench/update.sh runs all three with nginx on loopback.

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Publisher.h"
#include "UpdateCatalog.h"
#include "ZEVAUpdateIntf.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 2000;
constexpr size_t kFileSize = 100000;
constexpr int kChanged = 20;

double Seconds(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long PeakRssKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void WriteBlock(const fs::path& p, unsigned seed) {
    std::string data(kFileSize, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (char& c : data) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << data;
}

int Generate(const fs::path& dir) {
    fs::remove_all(dir / "release");
    fs::remove_all(dir / "install");
    for (int i = 0; i < kFiles; ++i) {
        const fs::path rel =
            fs::path("d" + std::to_string(i % 40)) / ("f" + std::to_string(i) + ".bin");
        WriteBlock(dir / "release" / rel, static_cast<unsigned>(i));
        fs::create_directories((dir / "install" / rel).parent_path());
        // Every 100th file differs in the installation; the rest share their data.
        if (i % (kFiles / kChanged) == 0) {
            WriteBlock(dir / "install" / rel, static_cast<unsigned>(i + 1000000));
        } else {
            fs::create_hard_link(dir / "release" / rel, dir / "install" / rel);
        }
    }
    const auto files = zeva::publish::ScanRelease(dir / "release", "UpdateConfig.ini");
    zeva::publish::MainVersion v{"2.0", "330000", false, false};
    zeva::publish::WriteFileAtomically(
        dir / "UpdateConfig.ini",
        zeva::publish::CatalogText(zeva::publish::CatalogKind::Main, files, v));
    std::printf("generated %d files, %.0f MB, %d changed in the installation\n", kFiles,
                static_cast<double>(kFiles) * kFileSize / 1e6, kChanged);
    return 0;
}

int Evaluate(const fs::path& dir) {
    const long before = PeakRssKiB();
    double best = 1e9;
    size_t due = 0;
    for (int round = 0; round < 3; ++round) {
        UpdateCatalog catalog((dir / "install").string() + "/", (dir / "UpdateConfig.ini").string(),
                              "1.0", "330000");
        const auto t = std::chrono::steady_clock::now();
        if (catalog.Evaluate() != 0) return 1;
        best = std::min(best, Seconds(t));
        due = catalog.Entries().size();
    }
    const long peak = PeakRssKiB();
    std::printf(
        "catalog evaluation: %d files, %.0f MB, %zu due: %.3f s (best of 3, %.0f MB/s hashed)\n",
        kFiles, static_cast<double>(kFiles) * kFileSize / 1e6, due, best,
        static_cast<double>(kFiles) * kFileSize / 1e6 / best);
    std::printf("peak memory: %.1f MiB (%.1f MiB at start)\n", static_cast<double>(peak) / 1024.0,
                static_cast<double>(before) / 1024.0);
    return due == static_cast<size_t>(kChanged) ? 0 : 1;
}

int Fetch(unsigned short port, const fs::path& dir, int count) {
    const fs::path out =
        fs::temp_directory_path() / ("bench_update_fetch." + std::to_string(::getpid()));
    std::uintmax_t bytes = 0;
    for (int i = 0; i < count; ++i) bytes += fs::file_size(dir / "1" / ("f" + std::to_string(i)));
    std::string curlArgs = "curl -s --fail --noproxy '*'";
    for (int i = 0; i < count; ++i) {
        curlArgs += " -o '" + (out / ("c" + std::to_string(i))).string() +
                    "' http://127.0.0.1:" + std::to_string(port) + "/1/f" + std::to_string(i);
    }
    double ours = 1e9;
    double theirs = 1e9;
    // Best of three each, alternating, so both see the same page cache and server state.
    for (int round = 0; round < 3; ++round) {
        fs::remove_all(out);
        fs::create_directories(out);
        CZEVAUpdateIntf intf({{"127.0.0.1", port}}, false);
        auto t = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i) {
            const std::string name = "f" + std::to_string(i);
            if (intf.GetRemoteFile(1, name.c_str(), (out / name).c_str(), nullptr, 0) != 0) {
                std::fprintf(stderr, "GetRemoteFile: %s\n", intf.GetLastErrorInfo().c_str());
                return 1;
            }
        }
        ours = std::min(ours, Seconds(t));
        fs::remove_all(out);
        fs::create_directories(out);
        t = std::chrono::steady_clock::now();
        if (std::system(curlArgs.c_str()) != 0) {
            std::fprintf(stderr, "curl failed\n");
            return 1;
        }
        theirs = std::min(theirs, Seconds(t));
    }
    fs::remove_all(out);
    const double mb = static_cast<double>(bytes) / 1e6;
    std::printf("GetRemoteFile: %.0f MB in %.3f s = %.0f MB/s\n", mb, ours, mb / ours);
    std::printf("curl:          %.0f MB in %.3f s = %.0f MB/s\n", mb, theirs, mb / theirs);
    std::printf("throughput ratio GetRemoteFile/curl: %.2f (goal >= 0.95)\n", theirs / ours);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::string mode = argc > 1 ? argv[1] : "";
        if (mode == "generate" && argc == 3) return Generate(argv[2]);
        if (mode == "evaluate" && argc == 3) return Evaluate(argv[2]);
        if (mode == "fetch" && argc == 5) {
            return Fetch(static_cast<unsigned short>(std::stoi(argv[2])), argv[3],
                         std::stoi(argv[4]));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_update: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: bench_update generate DIR | evaluate DIR | fetch PORT DIR COUNT\n");
    return 2;
}
