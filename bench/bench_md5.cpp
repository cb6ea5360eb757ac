// Throughput of CMD5::GetFileMD5 against md5sum on the same file, in one run.
// usage: bench_md5 FILE   (bench/run makes a 1 GiB file)

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "MD5.h"

namespace {

double Seconds(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_md5 FILE\n");
        return 2;
    }
    const std::string path = argv[1];
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        std::fprintf(stderr, "bench_md5: %s: %s\n", path.c_str(), ec.message().c_str());
        return 2;
    }
    const double mib = static_cast<double>(size) / (1024.0 * 1024.0);
    double ours = 1e9;
    double theirs = 1e9;
    std::string digest;
    std::string reference;
    // Best of three each, alternating, so both see the same page cache.
    for (int round = 0; round < 3; ++round) {
        auto t = std::chrono::steady_clock::now();
        CMD5::GetFileMD5(path.c_str(), digest);
        ours = std::min(ours, Seconds(t));

        t = std::chrono::steady_clock::now();
        FILE* pipe = ::popen(("md5sum '" + path + "'").c_str(), "r");
        char buf[33] = {};
        if (pipe == nullptr || std::fread(buf, 1, 32, pipe) != 32) return 1;
        ::pclose(pipe);
        theirs = std::min(theirs, Seconds(t));
        reference = buf;
    }
    std::printf("file            %.0f MiB\n", mib);
    std::printf("GetFileMD5      %.1f MiB/s\n", mib / ours);
    std::printf("md5sum          %.1f MiB/s\n", mib / theirs);
    std::printf("ratio           %.2fx (goal >= 0.90)\n", theirs / ours);
    std::printf("digests agree   %s\n", digest == reference ? "yes" : "NO");
    return digest == reference ? 0 : 1;
}
