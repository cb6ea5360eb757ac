#pragma once
// A file server on 127.0.0.1 for the tests and benchmarks of downloads and
// updates, with a fault injected per path (see Fault; what each does is one
// row of the table in TestHttpServer.cpp) or cuts at chosen offsets. Range
// requests are answered with 206 unless a fault says otherwise; each
// request's path, target and Range header and the body bytes sent per path
// are logged.

#include <cstddef>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "LoopbackHttpServer.h"

namespace zeva::test {

enum class Fault {
    None,
    NotFound,            // 404
    Forbidden,           // 403
    Status500,           // 500 with the file as its body
    Unavailable,         // 503
    CloseBeforeHeaders,  // the connection is closed without an answer
    Stall,               // the first 512 bytes, then nothing until the server stops
    CutMidway,           // the whole length announced, half the file sent, then closed
    CutOnceMidway,       // CutMidway for the first request, whole files after
    CutChunked,          // chunked, half the file, no final chunk
    ShortLength,         // half the file announced and sent: looks complete, is short
    Slow,                // 4 KiB every 20 ms
    IgnoreRange,         // 200 with the whole file whatever the Range
    WrongRange           // a Range request answered 206 "bytes 0-..." with the whole file
};

// The fault's name as the table gives it ("CutMidway"), for test output.
const char* FaultName(Fault fault);

class TestHttpServer {
public:
    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    unsigned short port() const { return server_->port(); }
    // "http://127.0.0.1:<port><path>".
    std::string Url(const std::string& path) const { return server_->Url(path); }

    // Serves `body` under the URL path `path` (e.g. "/1/UpdateConfig.ini").
    void Put(const std::string& path, std::string body);
    void Remove(const std::string& path);
    // Serves every file below `root` under "/<rel path>".
    void PutTree(const std::filesystem::path& root);

    void SetFault(const std::string& path, Fault fault);
    // Every transfer of `path` that reaches the next of these file offsets
    // (ascending) stops there, closing the connection; each offset cuts once.
    void CutAt(const std::string& path, std::vector<std::size_t> offsets);
    void ClearFaults();

    std::vector<std::string> Requests() const;
    std::vector<std::string> Targets() const;
    // The Range header of every request ("" when none), in order.
    std::vector<std::string> Ranges() const;
    // Body bytes handed to the connection for `path`, over all requests.
    std::size_t BytesServed(const std::string& path) const;
    void ClearRequests();

private:
    struct State;
    void Handle(const httplib::Request& req, httplib::Response& res);

    // The state outlives the server: handlers may run until the server stops.
    std::unique_ptr<State> state_;
    std::unique_ptr<LoopbackHttpServer> server_;
};

}  // namespace zeva::test
