// The fault-injecting file server as a client on the wire sees it: what
// each fault sends, announces and leaves open, since the download and update
// tests draw their conclusions from exactly that.

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "Sockets_p.h"
#include "TestHttpServer.h"

using zeva::test::Fault;
using zeva::test::TestHttpServer;

namespace {

struct Answer {
    bool anyBytes = false;  // false: closed without a byte
    int status = 0;
    std::string headers;     // the header block, status line included
    std::string body;        // chunked bodies decoded
    bool closed = false;     // the server closed; false: it went quiet for `silenceMs`
    bool lastChunk = false;  // a chunked body ended with its final chunk
};

std::optional<std::string> Header(const Answer& a, const std::string& name) {
    const std::string key = "\r\n" + name + ": ";
    const auto at = a.headers.find(key);
    if (at == std::string::npos) return std::nullopt;
    const auto start = at + key.size();
    return a.headers.substr(start, a.headers.find("\r\n", start) - start);
}

// One GET over a fresh connection, read until the server closes it or sends
// nothing for `silenceMs`.
Answer Get(unsigned short port, const std::string& path, const std::string& range = "",
           int silenceMs = 5000) {
    Answer a;
    const zeva::test::SocketHandle fd = zeva::test::ConnectLoopback(port);
    if (fd == zeva::test::kNoSocket) return a;
    std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    if (!range.empty()) request += "Range: " + range + "\r\n";
    request += "\r\n";
    zeva::test::SendSome(fd, request.data(), request.size());
    std::string raw;
    char buf[65536];
    while (true) {
        if (!zeva::test::Readable(fd, silenceMs)) break;
        const long n = zeva::test::ReceiveSome(fd, buf, sizeof buf);
        if (n <= 0) {
            a.closed = true;
            break;
        }
        raw.append(buf, static_cast<std::size_t>(n));
    }
    zeva::test::CloseSocket(fd);
    a.anyBytes = !raw.empty();
    const auto end = raw.find("\r\n\r\n");
    if (end == std::string::npos) return a;
    a.headers = raw.substr(0, end + 2);
    a.status = std::stoi(raw.substr(9, 3));
    std::string body = raw.substr(end + 4);
    if (Header(a, "Transfer-Encoding") == "chunked") {
        std::size_t at = 0;
        while (at < body.size()) {
            const auto line = body.find("\r\n", at);
            if (line == std::string::npos) break;
            const std::size_t size = std::stoul(body.substr(at, line - at), nullptr, 16);
            if (size == 0) {
                a.lastChunk = true;
                break;
            }
            a.body += body.substr(line + 2, size);
            at = line + 2 + size + 2;
        }
    } else {
        a.body = std::move(body);
    }
    return a;
}

std::string Pattern(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + i % 23);
    return s;
}

const std::string kFile = Pattern(100000);

struct FaultCase {
    Fault fault;
    std::string range;
    int status;                         // 0: no answer at all
    std::optional<std::string> length;  // the Content-Length announced, nullopt: none
    std::string body;
    bool closed;  // false: the connection is left hanging
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << zeva::test::FaultName(c.fault) << (c.range.empty() ? "" : " " + c.range);
}

class TestHttpServerFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(TestHttpServerFault, SendsWhatItsRowSays) {
    const FaultCase& c = GetParam();
    TestHttpServer server;
    server.Put("/f.bin", kFile);
    server.SetFault("/f.bin", c.fault);
    // A hanging connection is recognised by its silence; complete answers close.
    const Answer a = Get(server.port(), "/f.bin", c.range, c.closed ? 5000 : 300);
    EXPECT_EQ(a.status, c.status);
    EXPECT_EQ(a.anyBytes, c.status != 0);
    EXPECT_EQ(Header(a, "Content-Length"), c.length) << a.headers;
    EXPECT_EQ(a.body.size(), c.body.size());
    EXPECT_TRUE(a.body == c.body) << "the body differs from the file's bytes it should carry";
    EXPECT_EQ(a.closed, c.closed);
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"/f.bin"});
    EXPECT_EQ(server.Ranges(), std::vector<std::string>{c.range});
}

const std::string kHalf = kFile.substr(0, kFile.size() / 2);

INSTANTIATE_TEST_SUITE_P(
    Table, TestHttpServerFault,
    ::testing::Values(FaultCase{Fault::None, "", 200, "100000", kFile, true},
                      FaultCase{Fault::None, "bytes=1000-", 206, "99000", kFile.substr(1000), true},
                      FaultCase{Fault::NotFound, "", 404, "9", "not found", true},
                      FaultCase{Fault::Forbidden, "", 403, "100000", kFile, true},
                      FaultCase{Fault::Status500, "", 500, "100000", kFile, true},
                      FaultCase{Fault::Unavailable, "", 503, "100000", kFile, true},
                      FaultCase{Fault::CloseBeforeHeaders, "", 0, std::nullopt, "", true},
                      FaultCase{Fault::Stall, "", 200, "100000", kFile.substr(0, 512), false},
                      FaultCase{Fault::CutMidway, "", 200, "100000", kHalf, true},
                      FaultCase{Fault::CutOnceMidway, "", 200, "100000", kHalf, true},
                      FaultCase{Fault::ShortLength, "", 200, "50000", kHalf, true},
                      FaultCase{Fault::ShortLength, "bytes=1000-", 200, "50000", kHalf, true},
                      FaultCase{Fault::Slow, "", 200, "100000", kFile, true},
                      FaultCase{Fault::IgnoreRange, "bytes=1000-", 200, "100000", kFile, true},
                      FaultCase{Fault::IgnoreRange, "", 200, "100000", kFile, true},
                      FaultCase{Fault::WrongRange, "bytes=1000-", 206, "100000", kFile, true}),
    [](const ::testing::TestParamInfo<FaultCase>& row) {
        return std::string(zeva::test::FaultName(row.param.fault)) +
               (row.param.range.empty() ? "" : "WithRange");
    });

TEST(TestHttpServer, ChunkedCutEndsWithoutTheFinalChunk) {
    TestHttpServer server;
    server.Put("/f.bin", kFile);
    server.SetFault("/f.bin", Fault::CutChunked);
    const Answer a = Get(server.port(), "/f.bin");
    EXPECT_EQ(a.status, 200);
    EXPECT_EQ(Header(a, "Content-Length"), std::nullopt);
    EXPECT_TRUE(a.body == kHalf);
    EXPECT_FALSE(a.lastChunk);
    EXPECT_TRUE(a.closed);
}

TEST(TestHttpServer, WrongRangeClaimsTheWholeFile) {
    TestHttpServer server;
    server.Put("/f.bin", kFile);
    server.SetFault("/f.bin", Fault::WrongRange);
    const Answer a = Get(server.port(), "/f.bin", "bytes=1000-");
    EXPECT_EQ(Header(a, "Content-Range"), "bytes 0-99999/100000");
}

TEST(TestHttpServer, OnceFaultsHitOnlyTheFirstRequestAndClearedFaultsNone) {
    TestHttpServer server;
    server.Put("/once", kFile);
    server.Put("/always", kFile);
    server.SetFault("/once", Fault::CutOnceMidway);
    server.SetFault("/always", Fault::CutMidway);
    EXPECT_EQ(Get(server.port(), "/once").body.size(), kHalf.size());
    EXPECT_TRUE(Get(server.port(), "/once").body == kFile);
    EXPECT_EQ(Get(server.port(), "/always").body.size(), kHalf.size());
    EXPECT_EQ(Get(server.port(), "/always").body.size(), kHalf.size());
    server.ClearFaults();
    EXPECT_TRUE(Get(server.port(), "/always").body == kFile);
}

// Resuming from where each cut left off collects the file with every byte
// sent once; the server counts what it sent.
TEST(TestHttpServer, CutsStopEachTransferAtTheNextOffsetOnce) {
    TestHttpServer server;
    server.Put("/f.bin", kFile);
    server.CutAt("/f.bin", {70000, 30000});
    std::string got;
    std::vector<int> statuses;
    for (int i = 0; i < 4 && got.size() < kFile.size(); ++i) {
        const Answer a = Get(server.port(), "/f.bin",
                             got.empty() ? "" : "bytes=" + std::to_string(got.size()) + "-");
        statuses.push_back(a.status);
        EXPECT_TRUE(a.closed);
        got += a.body;
    }
    EXPECT_EQ(statuses, (std::vector<int>{200, 206, 206}));
    EXPECT_TRUE(got == kFile);
    EXPECT_EQ(server.BytesServed("/f.bin"), kFile.size());
}

TEST(TestHttpServer, MissingFilesAreNotFoundAndRequestsAreLoggedAsSent) {
    TestHttpServer server;
    server.Put("/a b/c.ini", "x");
    EXPECT_EQ(Get(server.port(), "/a%20b/c.ini").body, "x");
    server.Remove("/a b/c.ini");
    EXPECT_EQ(Get(server.port(), "/a%20b/c.ini").status, 404);
    EXPECT_EQ(server.Requests(), (std::vector<std::string>{"/a b/c.ini", "/a b/c.ini"}));
    EXPECT_EQ(server.Targets(), (std::vector<std::string>{"/a%20b/c.ini", "/a%20b/c.ini"}));
    server.ClearRequests();
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(server.BytesServed("/a b/c.ini"), 0u);
}

}  // namespace
