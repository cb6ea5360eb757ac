#include "Emulator.h"

#include <chrono>
#include <cstring>
#include <sstream>
#include <type_traits>

#include "BServiceNamespaces.h"
#include "OServiceNamespaces.h"
#include "Operations.h"
#include "Sockets.h"
#include "platform/CodePage.h"
#include "soapframe/TagSearch.h"
#include "zevabsH.h"
#include "zevaosH.h"

namespace zeva::backoffice {
namespace {

const char* OrEmpty(const char* text) {
    return text ? text : "";
}

bool IsLoopback(const std::string& host) {
    return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

// Writes a complete HTTP answer past the SOAP layer.
void SendRaw(struct soap* ctx, const std::string& status, const std::string& type,
             const std::string& body) {
    std::string answer = "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
                         "\r\nContent-Length: " + std::to_string(body.size()) +
                         "\r\nConnection: close\r\n\r\n" + body;
    SendAll(ctx->socket, answer);
}

zevabs::ns2__AppSurveyInfo* Survey(struct soap* ctx, const std::string& text) {
    auto* survey = zevabs::soap_new_ns2__AppSurveyInfo(ctx);
    auto field = [&](const char* name, char*& out) {
        const std::string open = std::string("<") + name + ">";
        if (text.find(open) == std::string::npos) return;
        std::string value;
        soapframe::FindString(text.c_str(), open.c_str(), (std::string("</") + name + ">").c_str(),
                              value);
        out = soap_strdup(ctx, value.c_str());
    };
    field("advice", survey->advice);
    field("area", survey->area);
    field("areaname", survey->areaname);
    field("clean", survey->clean);
    field("dress", survey->dress);
    field("opercode", survey->opercode);
    field("opername", survey->opername);
    field("ordercode", survey->ordercode);
    field("reason", survey->reason);
    field("shoes", survey->shoes);
    field("sitisfy", survey->sitisfy);
    field("teach", survey->teach);
    field("userid", survey->userid);
    if (text.find("<surveyid>") != std::string::npos) {
        int id = 0;
        soapframe::FindString(text.c_str(), "<surveyid>", "</surveyid>", id);
        using Id = std::remove_pointer_t<decltype(survey->surveyid)>;
        survey->surveyid = static_cast<Id*>(soap_malloc(ctx, sizeof(Id)));
        *survey->surveyid = id;
    }
    return survey;
}

}  // namespace

std::optional<Fault> ParseFault(const std::string& text) {
    Fault fault;
    std::istringstream in(text);
    std::string word;
    while (std::getline(in, word, ',')) {
        if (word == "http500")
            fault.kind = FaultKind::Http500;
        else if (word == "fault")
            fault.kind = FaultKind::SoapFault;
        else if (word == "noout")
            fault.kind = FaultKind::MissingOut;
        else if (word == "garbage")
            fault.kind = FaultKind::Garbage;
        else if (word.rfind("delay:", 0) == 0 && word.size() > 6 &&
                 word.find_first_not_of("0123456789", 6) == std::string::npos && word.size() < 15)
            fault.delayMs = std::stoi(word.substr(6));
        else
            return std::nullopt;
    }
    return fault;
}

Emulator::Emulator(DataSet data, Service service) : data_(std::move(data)), service_(service) {}

const char* Emulator::Path() const {
    return service_ == Service::Online ? kOnlineServicePath : kServicePath;
}

Emulator::~Emulator() {
    Stop();
}

bool Emulator::Start(const std::string& host, int port, std::string* error) {
    if (!IsLoopback(host)) {
        if (error) *error = "the emulator listens on loopback addresses only, not " + host;
        return false;
    }
    listener_ = soap_new1(SOAP_C_UTFSTRING | SOAP_XML_IGNORENS);
    soap_set_namespaces(
        listener_, service_ == Service::Online ? oservice::kNamespaces : bservice::kNamespaces);
    listener_->bind_flags = ReuseAddressFlag();
    listener_->accept_timeout = -200000;  // wake up five times a second to notice Stop
    listener_->recv_timeout = 10;
    listener_->send_timeout = 10;
    listener_->transfer_timeout = 30;
    listener_->user = this;
    if (!soap_valid_socket(soap_bind(listener_, host.c_str(), port, 16))) {
        if (error) {
            // The runtime's text of the system's reason (strerror, or on Windows
            // the system message in the ANSI code page), else its number.
            std::string reason = AcpToUtf8(OrEmpty(soap_fault_string(listener_)));
            if (reason.empty()) reason = "system error " + std::to_string(listener_->errnum);
            *error = "cannot listen on " + host + ":" + std::to_string(port) + ": " + reason;
        }
        // The failure's SOAP Fault is an object of the context: released with it.
        soap_destroy(listener_);
        soap_end(listener_);
        soap_free(listener_);
        listener_ = nullptr;
        return false;
    }
    port_ = BoundPort(listener_->master);
    host_ = host;
    stop_ = false;
    thread_ = std::thread([this] { Loop(); });
    return true;
}

void Emulator::Stop() {
    if (!listener_) return;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    stopSignal_.notify_all();
    if (thread_.joinable()) thread_.join();
    soap_destroy(listener_);
    soap_end(listener_);
    soap_free(listener_);
    listener_ = nullptr;
}

std::string Emulator::Url() const {
    const std::string host = host_.find(':') != std::string::npos ? "[" + host_ + "]" : host_;
    return "http://" + host + ":" + std::to_string(port_) + Path();
}

void Emulator::SetFault(const std::string& operation, Fault fault) {
    std::lock_guard lock(mutex_);
    faults_[operation] = fault;
}

void Emulator::ClearFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
}

void Emulator::SetAnswer(const std::string& operation, const std::string& key,
                         const std::string& answer) {
    std::lock_guard lock(mutex_);
    data_.Set(operation, key, answer);
}

std::vector<ReceivedRequest> Emulator::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void Emulator::ClearReceived() {
    std::lock_guard lock(mutex_);
    received_.clear();
}

void Emulator::OnRequest(std::function<void(const ReceivedRequest&)> callback) {
    std::lock_guard lock(mutex_);
    onRequest_ = std::move(callback);
}

void Emulator::Loop() {
    while (!stop_) {
        if (!soap_valid_socket(soap_accept(listener_))) {
            // A time-out leaves errnum 0; a failing accept (out of descriptors)
            // would otherwise spin.
            if (listener_->errnum != 0) SleepUnlessStopped(50);
            continue;
        }
        if (service_ == Service::Online)
            zevaos::soap_serve(listener_);
        else
            zevabs::soap_serve(listener_);
        soap_destroy(listener_);
        soap_end(listener_);
    }
}

bool Emulator::SleepUnlessStopped(int ms) {
    std::unique_lock lock(mutex_);
    return !stopSignal_.wait_for(lock, std::chrono::milliseconds(ms),
                                 [this] { return stop_.load(); });
}

int Emulator::Serve(struct soap* ctx, const char* operation, const char* in0, bool hasIn0, int kind,
                    void* result) {
    ReceivedRequest request{operation, hasIn0 && in0, in0 ? in0 : ""};
    Fault fault;
    std::optional<std::string> answer;
    std::function<void(const ReceivedRequest&)> callback;
    {
        std::lock_guard lock(mutex_);
        received_.push_back(request);
        if (auto it = faults_.find(operation); it != faults_.end()) fault = it->second;
        answer = data_.Answer(operation, request.in0, ctx->host);
        callback = onRequest_;
    }
    if (callback) callback(request);
    if (std::strcmp(ctx->path, Path()) != 0) {
        SendRaw(ctx, "404 Not Found", "text/plain", "no service at this path");
        return SOAP_STOP;
    }
    if (fault.delayMs > 0 && !SleepUnlessStopped(fault.delayMs)) return SOAP_STOP;
    switch (fault.kind) {
        case FaultKind::Http500:
            SendRaw(ctx, "500 Internal Server Error", "text/plain", "Internal Server Error");
            return SOAP_STOP;
        case FaultKind::SoapFault:
            return soap_receiver_fault(ctx, "Service temporarily unavailable", nullptr);
        case FaultKind::Garbage:
            SendRaw(ctx, "200 OK", "text/xml; charset=utf-8",
                    "\x01\x02<<not xml & not soap>>\xff\xfe");
            return SOAP_STOP;
        case FaultKind::MissingOut:
            return SOAP_OK;
        case FaultKind::None:
            break;
    }
    switch (kind) {
        case answer::TEXT:
            *static_cast<char**>(result) = soap_strdup(ctx, answer.value_or("").c_str());
            break;
        case answer::BOOL: {
            bool* value = static_cast<bool*>(soap_malloc(ctx, sizeof(bool)));
            *value = !answer || *answer == "true" || *answer == "1";
            *static_cast<bool**>(result) = value;
            break;
        }
        case answer::SURVEY:
            *static_cast<zevabs::ns2__AppSurveyInfo**>(result) = Survey(ctx, answer.value_or(""));
            break;
    }
    return SOAP_OK;
}

}  // namespace zeva::backoffice

// The service functions the generated dispatcher calls, one per operation.
namespace zevabs {

static int Dispatch(struct soap* ctx, const char* operation, const char* in0, bool hasIn0, int kind,
                    void* result) {
    auto* emulator = static_cast<zeva::backoffice::Emulator*>(ctx->user);
    return emulator->Serve(ctx, operation, in0, hasIn0, kind, result);
}

#define ZEVA_SERVE_IN0(name, kind)                                                           \
    int ns1__##name(struct soap* ctx, char* in0, ns1__##name##Response& result) {            \
        return Dispatch(ctx, #name, in0, true, zeva::backoffice::answer::kind, &result.out); \
    }
#define ZEVA_SERVE_NOIN0(name, kind)                                                              \
    int ns1__##name(struct soap* ctx, ns1__##name##Response& result) {                            \
        return Dispatch(ctx, #name, nullptr, false, zeva::backoffice::answer::kind, &result.out); \
    }
#define ZEVA_SERVE(name, in0, kind) ZEVA_SERVE_##in0(name, kind)
ZEVA_BSERVICE_OPERATIONS(ZEVA_SERVE)

}  // namespace zevabs

// The service functions of the online service, for the online mode.
namespace zevaos {

static int Dispatch(struct soap* ctx, const char* operation, const char* in0, bool hasIn0, int kind,
                    void* result) {
    auto* emulator = static_cast<zeva::backoffice::Emulator*>(ctx->user);
    return emulator->Serve(ctx, operation, in0, hasIn0, kind, result);
}

#define ZEVA_ONLINE_IN0(name, kind)                                                          \
    int ns1__##name(struct soap* ctx, char* in0, ns1__##name##Response& result) {            \
        return Dispatch(ctx, #name, in0, true, zeva::backoffice::answer::kind, &result.out); \
    }
#define ZEVA_ONLINE_NOIN0(name, kind)                                                             \
    int ns1__##name(struct soap* ctx, ns1__##name##Response& result) {                            \
        return Dispatch(ctx, #name, nullptr, false, zeva::backoffice::answer::kind, &result.out); \
    }

ZEVA_ONLINE_IN0(setUserOnlineLength, BOOL)
ZEVA_ONLINE_IN0(getUserAttribution, TEXT)
ZEVA_ONLINE_IN0(getOwnService, TEXT)
ZEVA_ONLINE_NOIN0(getServiceList, TEXT)
ZEVA_ONLINE_IN0(setBugLog, BOOL)
ZEVA_ONLINE_NOIN0(getCurrentAccount, TEXT)
ZEVA_ONLINE_IN0(setErrorHistory, TEXT)

}  // namespace zevaos
