// Update engine figures, each printed against its goal in one run.
//
//   bench_update generate DIR       a 2,000-file, 200 MB release in DIR/release, the
//                                   installed copy in DIR/install (20 files differ)
//                                   and the catalog DIR/UpdateConfig.ini
//   bench_update evaluate DIR       time and peak memory of evaluating that catalog
//   bench_update fetch PORT DIR N   GetRemoteFile against curl for DIR/1/f0..f<N-1>
//                                   served on 127.0.0.1:PORT; prints the throughput ratio
//   bench_update verify DIR         the cost of a signed release (signature check, SHA256 of
//                                   the changed files) beside today's evaluation of the catalog
//   bench_update resume [SEED]      bytes fetched for a 50 MB file cut three times at random
//                                   points, with resume against without (in-process server)
//
// bench/update.sh runs all three with nginx on loopback.

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <random>

#include "Publisher.h"
#include "SHA256.h"
#include "SignatureVerifier.h"
#include "SigningKey.h"
#include "TestHttpServer.h"
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

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int Verify(const fs::path& dir) {
    // The publisher's side (not timed): the same release with SHA256 keys, signed.
    const auto files = zeva::publish::ScanRelease(dir / "release", "UpdateConfig.ini", {}, true);
    zeva::publish::MainVersion v{"2.0", "330000", false, false};
    const std::string text = zeva::publish::CatalogText(zeva::publish::CatalogKind::Main, files, v);
    zeva::publish::WriteFileAtomically(dir / "Signed.ini", text);
    zeva::SigningKey key;
    std::string error;
    std::string signature;
    if (key.Generate(error) != 0 || key.Sign(text, signature, error) != 0) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    zeva::SignatureVerifier verifier;
    if (verifier.SetPublicKeys(key.PublicKeyBase64(), error) != 0) return 1;

    double today = 1e9;
    double check = 1e9;
    double digests = 1e9;
    size_t due = 0;
    for (int round = 0; round < 3; ++round) {
        UpdateCatalog plain((dir / "install").string() + "/", (dir / "UpdateConfig.ini").string(),
                            "1.0", "330000");
        auto t = std::chrono::steady_clock::now();
        if (plain.Evaluate() != 0) return 1;
        today = std::min(today, Seconds(t));

        // What a signed run adds: read and verify the catalog, check every SHA256 is
        // there, and digest each fetched file a second time.
        t = std::chrono::steady_clock::now();
        if (verifier.Verify(ReadAll(dir / "Signed.ini"), signature, error) != 0) {
            std::fprintf(stderr, "verify: %s\n", error.c_str());
            return 1;
        }
        UpdateCatalog signedCatalog((dir / "install").string() + "/", (dir / "Signed.ini").string(),
                                    "1.0", "330000");
        if (signedCatalog.Evaluate() != 0 || !signedCatalog.FilesWithoutSha256().empty()) return 1;
        const double evaluatedSigned = Seconds(t);
        check = std::min(check, evaluatedSigned);
        t = std::chrono::steady_clock::now();
        for (const UpdateFileEntry& e : signedCatalog.Entries()) {
            std::string digest;
            std::string path = (dir / "release").string() + "/" + e.name;
            CSHA256::GetFileSHA256(path.c_str(), digest);
            if (digest != e.sha256) return 1;
        }
        digests = std::min(digests, Seconds(t));
        due = signedCatalog.Entries().size();
    }
    std::printf("evaluation today (unsigned, %d files): %.3f s\n", kFiles, today);
    std::printf(
        "signed: signature check + evaluation: %.3f s; SHA256 of the %zu fetched files: "
        "%.4f s\n",
        check, due, digests);
    std::printf("verification cost ratio signed/today: %.2f (1.00: free; best of 3 each)\n",
                (check + digests) / today);
    return 0;
}

int Resume(unsigned seed) {
    constexpr size_t kSize = 50u * 1000 * 1000;
    std::mt19937 random(seed);
    std::string body(kSize, '\0');
    for (char& c : body) c = static_cast<char>(random());
    std::uniform_int_distribution<size_t> point(1, kSize - 1);
    std::vector<size_t> cuts{point(random), point(random), point(random)};
    std::sort(cuts.begin(), cuts.end());
    const fs::path out =
        fs::temp_directory_path() / ("bench_update_resume." + std::to_string(::getpid()));
    fs::create_directories(out);
    size_t bytes[2] = {0, 0};
    int calls[2] = {0, 0};
    for (int resume = 0; resume < 2; ++resume) {
        // Each transfer that reaches the next cut point stops there; Range
        // requests are answered with 206.
        zeva::test::TestHttpServer server;
        server.Put("/1/big.bin", body);
        server.CutAt("/1/big.bin", cuts);
        CZEVAUpdateIntf intf({{"127.0.0.1", server.port()}}, false);
        zeva::TransferLimits limits;
        limits.resumeAttempts = resume == 1 ? 3 : 0;
        intf.SetTransferLimits(limits);
        // Without resume, every cut costs a new whole transfer (what the next run does).
        const std::string local = (out / ("big" + std::to_string(resume))).string();
        int rc = -1;
        while (rc != 0 && calls[resume] < 10) {
            ++calls[resume];
            rc = intf.GetRemoteFile(1, "big.bin", local.c_str(), nullptr, 0,
                                    static_cast<std::int64_t>(kSize));
        }
        if (rc != 0 || ReadAll(local) != body) {
            std::fprintf(stderr, "resume: %s\n", intf.GetLastErrorInfo().c_str());
            fs::remove_all(out);
            return 1;
        }
        bytes[resume] = server.BytesServed("/1/big.bin");
    }
    fs::remove_all(out);
    std::printf("50 MB file cut at %.1f, %.1f and %.1f MB (seed %u)\n",
                static_cast<double>(cuts[0]) / 1e6, static_cast<double>(cuts[1]) / 1e6,
                static_cast<double>(cuts[2]) / 1e6, seed);
    std::printf("without resume: %.1f MB fetched in %d calls\n",
                static_cast<double>(bytes[0]) / 1e6, calls[0]);
    std::printf("with resume:    %.1f MB fetched in %d call\n", static_cast<double>(bytes[1]) / 1e6,
                calls[1]);
    std::printf("bytes fetched ratio with/without resume: %.2f (goal: with resume = file size)\n",
                static_cast<double>(bytes[1]) / static_cast<double>(bytes[0]));
    return bytes[1] <= kSize + 3 * 64 * 1024 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::string mode = argc > 1 ? argv[1] : "";
        if (mode == "generate" && argc == 3) return Generate(argv[2]);
        if (mode == "evaluate" && argc == 3) return Evaluate(argv[2]);
        if (mode == "verify" && argc == 3) return Verify(argv[2]);
        if (mode == "resume" && argc <= 3) {
            return Resume(argc == 3 ? static_cast<unsigned>(std::stoul(argv[2]))
                                    : std::random_device{}());
        }
        if (mode == "fetch" && argc == 5) {
            return Fetch(static_cast<unsigned short>(std::stoi(argv[2])), argv[3],
                         std::stoi(argv[4]));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_update: %s\n", e.what());
        return 1;
    }
    std::fprintf(
        stderr,
        "usage: bench_update generate DIR | evaluate DIR | verify DIR | fetch PORT DIR COUNT |"
        " resume [SEED]\n");
    return 2;
}
