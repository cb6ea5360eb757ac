#pragma once
// The back-office web service on loopback, for tests, the demo and support
// staff: answers every operation from a data set, records what arrives and
// misbehaves on request.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "DataSet.h"

struct soap;

namespace zeva::backoffice {

inline constexpr int kDefaultPort = 16905;
inline constexpr char kServicePath[] = "/kelv/BService.ws";
inline constexpr int kOnlineDefaultPort = 8080;
inline constexpr char kOnlineServicePath[] = "/KelvCC/BService.ws";

enum class FaultKind {
    None,
    Http500,     // HTTP 500 without a SOAP body
    SoapFault,   // a SOAP Fault
    MissingOut,  // the answer element without its out child
    Garbage,     // HTTP 200 with a body that is not XML
};

struct Fault {
    FaultKind kind = FaultKind::None;
    int delayMs = 0;  // wait before answering
};

// "http500", "fault", "noout", "garbage", "delay:MS" or a combination such
// as "delay:2000,fault"; nothing on an unknown word.
std::optional<Fault> ParseFault(const std::string& text);

// The type of an operation's out element, as the service functions pass it.
namespace answer {
enum Kind { TEXT, BOOL, SURVEY };
}

struct ReceivedRequest {
    std::string operation;
    bool hasIn0 = false;
    std::string in0;  // UTF-8 as received (unescaped)
};

class Emulator {
public:
    explicit Emulator(DataSet data = DataSet::Default(), Service service = Service::BackOffice);
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;
    ~Emulator();

    // Listens on host:port (0 picks a free port) and serves on a thread of
    // its own. Only loopback addresses are accepted.
    bool Start(const std::string& host = "127.0.0.1", int port = kDefaultPort,
               std::string* error = nullptr);
    void Stop();
    int Port() const { return port_; }
    std::string Url() const;
    const char* Path() const;

    void SetFault(const std::string& operation, Fault fault);
    void ClearFaults();
    void SetAnswer(const std::string& operation, const std::string& key, const std::string& answer);

    std::vector<ReceivedRequest> Received() const;
    void ClearReceived();
    // Called on the serving thread for every request as it arrives.
    void OnRequest(std::function<void(const ReceivedRequest&)> callback);

    // Used by the service functions on the serving thread.
    int Serve(struct soap* ctx, const char* operation, const char* in0, bool hasIn0, int kind,
              void* result);

private:
    void Loop();
    bool SleepUnlessStopped(int ms);

    DataSet data_;
    Service service_;
    std::map<std::string, Fault> faults_;
    std::vector<ReceivedRequest> received_;
    std::function<void(const ReceivedRequest&)> onRequest_;
    mutable std::mutex mutex_;
    std::condition_variable stopSignal_;
    std::atomic<bool> stop_{false};
    struct soap* listener_ = nullptr;
    std::thread thread_;
    std::string host_;
    int port_ = 0;
};

}  // namespace zeva::backoffice
