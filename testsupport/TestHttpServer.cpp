#include "TestHttpServer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <fstream>
#include <sstream>
#include <thread>

#include "Sockets_p.h"

namespace zeva::test {

namespace {

enum class RangeAnswer {
    Honour,     // 206 with the asked part (httplib)
    Ignore,     // 200 with the whole file
    WrongStart  // 206 claiming "bytes 0-..." with the whole file
};

// What a fault does to the answer. A row with only its fault and name set
// answers like Fault::None.
struct FaultRule {
    Fault fault;
    const char* name;
    int status = 0;             // 0: 200, or 206 for a Range request
    bool notFoundBody = false;  // "not found" rather than the file
    bool closeBeforeHeaders = false;
    bool halfBody = false;      // only the first half of the file is sent
    bool announceSent = false;  // Content-Length is what is sent, not the file's
    bool chunked = false;
    bool once = false;           // for the first request only, later ones are whole
    std::size_t stallAfter = 0;  // bytes sent before the connection hangs (0: never)
    std::size_t pieceBytes = 0;  // > 0: at most this many bytes ...
    int pieceDelayMs = 0;        // ... per this many milliseconds
    RangeAnswer range = RangeAnswer::Honour;
};

// Ordered as the enumeration.
constexpr FaultRule kFaults[] = {
    {.fault = Fault::None, .name = "None"},
    {.fault = Fault::NotFound, .name = "NotFound", .status = 404, .notFoundBody = true},
    {.fault = Fault::Forbidden, .name = "Forbidden", .status = 403},
    {.fault = Fault::Status500, .name = "Status500", .status = 500},
    {.fault = Fault::Unavailable, .name = "Unavailable", .status = 503},
    {.fault = Fault::CloseBeforeHeaders, .name = "CloseBeforeHeaders", .closeBeforeHeaders = true},
    // A stalled transfer delivers only its first bytes, so the receiver's
    // rate drops below any limit at once.
    {.fault = Fault::Stall, .name = "Stall", .stallAfter = 512},
    {.fault = Fault::CutMidway, .name = "CutMidway", .halfBody = true},
    {.fault = Fault::CutOnceMidway, .name = "CutOnceMidway", .halfBody = true, .once = true},
    // No length announced: only the missing end chunk tells the body is incomplete.
    {.fault = Fault::CutChunked, .name = "CutChunked", .halfBody = true, .chunked = true},
    {.fault = Fault::ShortLength,
     .name = "ShortLength",
     .halfBody = true,
     .announceSent = true,
     .range = RangeAnswer::Ignore},
    {.fault = Fault::Slow, .name = "Slow", .pieceBytes = 4096, .pieceDelayMs = 20},
    {.fault = Fault::IgnoreRange, .name = "IgnoreRange", .range = RangeAnswer::Ignore},
    {.fault = Fault::WrongRange, .name = "WrongRange", .range = RangeAnswer::WrongStart},
};

constexpr bool InEnumOrder() {
    for (std::size_t i = 0; i < std::size(kFaults); ++i) {
        if (kFaults[i].fault != static_cast<Fault>(i)) return false;
    }
    return kFaults[std::size(kFaults) - 1].fault == Fault::WrongRange;
}
static_assert(InEnumOrder(), "one row per fault, in the order of the enumeration");

const FaultRule& RuleOf(Fault fault) {
    return kFaults[static_cast<std::size_t>(fault)];
}

// httplib always answers a request it has read; to hang up without an
// answer, the handler shuts its connection down, so what httplib writes
// afterwards goes nowhere.
bool DropConnection(const httplib::Request& req) {
    return ShutdownConnection(static_cast<unsigned short>(req.local_port),
                              static_cast<unsigned short>(req.remote_port));
}

}  // namespace

const char* FaultName(Fault fault) {
    return RuleOf(fault).name;
}

struct TestHttpServer::State {
    std::atomic<bool> stopping{false};
    mutable std::mutex mutex;
    // Shared with the transfers in flight, so a large file is never copied.
    std::map<std::string, std::shared_ptr<const std::string>> files;
    std::map<std::string, Fault> faults;
    std::map<std::string, std::deque<std::size_t>> cuts;
    std::vector<std::string> requests;
    std::vector<std::string> targets;
    std::vector<std::string> ranges;
    std::map<std::string, std::size_t> served;
};

TestHttpServer::TestHttpServer()
    : state_(std::make_unique<State>()),
      server_(std::make_unique<LoopbackHttpServer>([this](httplib::Server& server) {
          server.Get(R"(.*)", [this](const httplib::Request& req, httplib::Response& res) {
              Handle(req, res);
          });
      })) {}

TestHttpServer::~TestHttpServer() {
    // Stalled handlers end once they see this; the state stays until the server has stopped.
    state_->stopping = true;
    server_->Stop();
}

void TestHttpServer::Put(const std::string& path, std::string body) {
    const std::lock_guard lock(state_->mutex);
    state_->files[path] = std::make_shared<const std::string>(std::move(body));
}

void TestHttpServer::Remove(const std::string& path) {
    const std::lock_guard lock(state_->mutex);
    state_->files.erase(path);
}

void TestHttpServer::PutTree(const std::filesystem::path& root) {
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        std::ifstream in(e.path(), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        // UTF-8 names whatever the system's code page.
        const std::u8string name = std::filesystem::relative(e.path(), root).generic_u8string();
        Put("/" + std::string(name.begin(), name.end()), s.str());
    }
}

void TestHttpServer::SetFault(const std::string& path, Fault fault) {
    const std::lock_guard lock(state_->mutex);
    state_->faults[path] = fault;
}

void TestHttpServer::CutAt(const std::string& path, std::vector<std::size_t> offsets) {
    std::sort(offsets.begin(), offsets.end());
    const std::lock_guard lock(state_->mutex);
    state_->cuts[path].assign(offsets.begin(), offsets.end());
}

void TestHttpServer::ClearFaults() {
    const std::lock_guard lock(state_->mutex);
    state_->faults.clear();
    state_->cuts.clear();
}

std::vector<std::string> TestHttpServer::Requests() const {
    const std::lock_guard lock(state_->mutex);
    return state_->requests;
}

std::vector<std::string> TestHttpServer::Targets() const {
    const std::lock_guard lock(state_->mutex);
    return state_->targets;
}

std::vector<std::string> TestHttpServer::Ranges() const {
    const std::lock_guard lock(state_->mutex);
    return state_->ranges;
}

std::size_t TestHttpServer::BytesServed(const std::string& path) const {
    const std::lock_guard lock(state_->mutex);
    auto it = state_->served.find(path);
    return it == state_->served.end() ? 0 : it->second;
}

void TestHttpServer::ClearRequests() {
    const std::lock_guard lock(state_->mutex);
    state_->requests.clear();
    state_->targets.clear();
    state_->ranges.clear();
    state_->served.clear();
}

void TestHttpServer::Handle(const httplib::Request& req, httplib::Response& res) {
    State& state = *state_;
    std::shared_ptr<const std::string> content;
    Fault fault = Fault::None;
    {
        const std::lock_guard lock(state.mutex);
        state.requests.push_back(req.path);
        state.targets.push_back(req.target);
        state.ranges.push_back(req.get_header_value("Range"));
        if (auto it = state.files.find(req.path); it != state.files.end()) content = it->second;
        if (auto it = state.faults.find(req.path); it != state.faults.end()) {
            fault = it->second;
            if (RuleOf(fault).once) state.faults.erase(it);
        }
    }
    const FaultRule& rule = RuleOf(fault);
    if (rule.closeBeforeHeaders) {
        DropConnection(req);
        return;
    }
    if (!content || rule.notFoundBody) {
        res.status = 404;
        res.set_content("not found", "text/plain");
        return;
    }
    if (rule.status != 0) {
        res.status = rule.status;
        res.set_content(*content, "application/octet-stream");
        return;
    }

    const std::size_t total = content->size();
    const std::size_t end = rule.halfBody ? total / 2 : total;
    // httplib answers Range requests by itself (206, when no status is set);
    // without the parsed ranges it sends the whole file.
    auto& ranges = const_cast<httplib::Request&>(req).ranges;
    if (rule.range != RangeAnswer::Honour && !ranges.empty()) {
        ranges.clear();
        if (rule.range == RangeAnswer::WrongStart) {
            res.status = 206;
            res.set_header("Content-Range",
                           "bytes 0-" + std::to_string(total - 1) + "/" + std::to_string(total));
        }
    }
    if (ranges.empty() && res.status == -1) res.status = 200;

    const std::string path = req.path;
    auto count = [&state, path](std::size_t n) {
        // Counted before sending: the client may finish before write() returns.
        const std::lock_guard lock(state.mutex);
        state.served[path] += n;
    };
    if (rule.chunked) {
        res.set_chunked_content_provider(
            "application/octet-stream",
            [content, end, count](std::size_t offset, httplib::DataSink& sink) {
                if (offset >= end) return false;
                count(end - offset);
                return sink.write(content->data() + offset, end - offset);
            });
        return;
    }
    const std::size_t announced = rule.announceSent ? end : total;
    res.set_content_provider(
        announced, "application/octet-stream",
        [&state, content, total, end, count, path, &rule](std::size_t offset, std::size_t length,
                                                          httplib::DataSink& sink) {
            if (rule.stallAfter > 0 && offset >= std::min(total, rule.stallAfter)) {
                while (!state.stopping) std::this_thread::sleep_for(std::chrono::milliseconds(10));
                return false;
            }
            if (offset >= end) return false;
            std::size_t n = std::min<std::size_t>({length, 64 * 1024, end - offset});
            if (rule.stallAfter > 0) n = std::min(n, rule.stallAfter - offset);
            if (rule.pieceBytes > 0) {
                n = std::min(n, rule.pieceBytes);
                std::this_thread::sleep_for(std::chrono::milliseconds(rule.pieceDelayMs));
            }
            bool cut = false;
            {
                const std::lock_guard lock(state.mutex);
                auto it = state.cuts.find(path);
                if (it != state.cuts.end() && !it->second.empty() &&
                    offset + n >= it->second.front()) {
                    n = it->second.front() > offset ? it->second.front() - offset : 0;
                    it->second.pop_front();
                    cut = true;
                }
            }
            if (n > 0) {
                count(n);
                if (!sink.write(content->data() + offset, n)) return false;
            }
            return !cut;
        });
}

}  // namespace zeva::test
