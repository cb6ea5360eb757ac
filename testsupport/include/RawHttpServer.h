#pragma once
// A loopback HTTP server for byte-level tests: records every request exactly
// as it arrived and answers with scripted bytes, slowly, partly or not at all.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zeva::test {

struct ScriptedAnswer {
    std::string bytes;       // the whole HTTP answer
    int delayMs = 0;         // wait before the first byte
    int dripIntervalMs = 0;  // > 0: send one byte per interval
    bool hold = false;       // send nothing and keep the connection open until stopped
};

class RawHttpServer {
public:
    RawHttpServer();
    ~RawHttpServer();
    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;

    int Port() const { return port_; }
    std::string Url(const std::string& path = "/kelv/BService.ws") const;
    // The answer to every following request.
    void Answer(ScriptedAnswer answer);
    std::vector<std::string> Requests() const;

    // An HTTP 200 answer carrying `body` as text/xml.
    static std::string HttpOk(const std::string& body);
    // `<`, `>` and `&` as XML character data carries them.
    static std::string Escape(const std::string& text);
    // A SOAP 1.1 envelope around `bodyContent`, with the usual prefixes.
    static std::string Envelope(const std::string& bodyContent);

private:
    void Loop();
    void Handle(std::intptr_t connection);
    bool Wait(int ms);

    std::intptr_t listener_ = -1;  // a socket of the system's kind
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::condition_variable stopped_;
    ScriptedAnswer answer_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// The request with the Host header's port replaced by "@PORT@", so expected
// files do not depend on the port the test server got.
std::string NormalizePort(std::string request, int port);

// Compares the one request `server` received with <expectedDir>/<name>.http.
// With ZEVA_UPDATE_EXPECTED set, writes the file instead (review before committing).
void ExpectRequest(const RawHttpServer& server, const std::string& name,
                   const std::filesystem::path& expectedDir);
#ifdef ZEVA_EXPECTED_DIR
// The test's own folder of expected requests.
inline void ExpectRequest(const RawHttpServer& server, const std::string& name) {
    ExpectRequest(server, name, ZEVA_EXPECTED_DIR);
}
#endif

}  // namespace zeva::test
