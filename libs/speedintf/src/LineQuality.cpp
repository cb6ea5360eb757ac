#include "LineQuality.h"

#include <algorithm>
#include <deque>
#include <list>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "Curl_p.h"
#include "PostToWindow_p.h"
#include "Worker_p.h"
#include "platform/Clock.h"
#include "platform/TcpInfo.h"

using zeva::speed::Jitter;
using zeva::speed::Median;
using zeva::speed::Percentile;

namespace {

using Ms = zeva::Clock::Duration;

// Parallel streams of the load: enough for loss-based TCP to keep a line
// full and its buffer as full as a lasting load keeps it (with four, each
// stream's halving after a loss drained a deep buffer noticeably).
constexpr int kLoadStreams = 8;
constexpr Ms kProbeEvery{100};
constexpr Ms kProgressEvery{250};
constexpr Ms kRateWindow{1000};
// Probes in flight at once on a slow line (each one a new connection).
constexpr int kMaxProbesInFlight = 8;
constexpr long kProbeTimeoutMs = 4000;
constexpr long kConnectTimeoutMs = 5000;
// Each upload request carries this much; a stream posts again when it ends.
constexpr curl_off_t kUploadBodyBytes = 8 << 20;
// A server that ignores the range request sends the whole file: the probe
// stops reading once the answer has begun.
constexpr std::uint64_t kProbeBodyLimit = 64 * 1024;
// The first part of a loaded phase is ramp-up (slow start, buffers filling):
// neither its rate nor its latency counts.
constexpr double kRampShare = 0.3;
constexpr Ms kMaxRamp{3000};
constexpr int kPollMs = 20;

enum class Kind { Load, Foreign, Open, UploadCheck };

struct Transfer {
    Kind kind = Kind::Foreign;
    CURL* easy = nullptr;
    std::uint64_t bytes = 0;  // body received (GET) or handed over (POST)
    curl_off_t uploadLeft = 0;
    bool counts = false;  // a probe started after the ramp-up
    void* phase = nullptr;
    char error[CURL_ERROR_SIZE] = {};
};

double Seconds(Ms d) {
    return static_cast<double>(d.count()) / 1000.0;
}

std::string HostOf(const std::string& url) {
    std::string s = url;
    if (const auto p = s.find("://"); p != std::string::npos) s = s.substr(p + 3);
    return s.substr(0, s.find('/'));
}

}  // namespace

struct CLineQuality::Impl {
    mutable std::mutex mutex;  // guards the fields below and every post
    bool running = false;
    bool stopped = false;
    std::thread worker;
    CURLM* multi = nullptr;  // of the phase running (for a stop's wake-up)
    LineQualityProgress progress;
    std::optional<LineQualityResult> result;
    std::string error;

    void Post(HWND window, UINT message, WPARAM w, LPARAM l) {
        std::lock_guard lock(mutex);
        if (!stopped && window != nullptr) zeva::speed::PostToWindow(window, message, w, l);
    }
    void Finish(HWND window, UINT message, LPARAM l) {
        std::lock_guard lock(mutex);
        running = false;
        progress.phase = LineQualityPhase::Done;
        if (l == 100) progress.percent = 100;
        if (!stopped && window != nullptr)
            zeva::speed::PostToWindow(window, message, static_cast<WPARAM>(LineQualityPhase::Done),
                                      l);
    }
    bool Stopped() {
        std::lock_guard lock(mutex);
        return stopped;
    }

    void Run(LineQualityOptions options, HWND window, UINT message);
};

namespace {

// One phase's transfers on a transfer-library handle of their own, so no
// connection outlives its phase or serves another kind of transfer.
class Phase {
public:
    Phase(CLineQuality::Impl& impl, const LineQualityOptions& options)
        : impl_(impl), options_(options) {
        headers_ = zeva::speed::NoCacheHeaders();
        headers_ = curl_slist_append(headers_, "Expect:");
        multi_ = curl_multi_init();
        std::lock_guard lock(impl_.mutex);
        impl_.multi = multi_;
    }
    ~Phase() {
        {
            std::lock_guard lock(impl_.mutex);
            impl_.multi = nullptr;
        }
        for (auto& t : transfers_) {
            if (t.easy == nullptr) continue;
            curl_multi_remove_handle(multi_, t.easy);
            curl_easy_cleanup(t.easy);
        }
        if (multi_ != nullptr) curl_multi_cleanup(multi_);
        curl_slist_free_all(headers_);
    }
    Phase(const Phase&) = delete;
    Phase& operator=(const Phase&) = delete;

    bool ok() const { return multi_ != nullptr && headers_ != nullptr; }

    Transfer* Add(Kind kind) {
        Transfer& t = transfers_.emplace_back();
        t.kind = kind;
        t.phase = this;
        t.easy = curl_easy_init();
        if (t.easy == nullptr) {
            transfers_.pop_back();
            return nullptr;
        }
        CURL* h = t.easy;
        zeva::speed::CommonOptions(h, std::string(), headers_);
        curl_easy_setopt(h, CURLOPT_PRIVATE, &t);
        curl_easy_setopt(h, CURLOPT_ERRORBUFFER, t.error);
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
        curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, nullptr);
        curl_easy_setopt(h, CURLOPT_SOCKOPTFUNCTION, &Phase::SocketOpened);
        curl_easy_setopt(h, CURLOPT_SOCKOPTDATA, &t);
        curl_easy_setopt(h, CURLOPT_CLOSESOCKETFUNCTION, &Phase::CloseSocket);
        curl_easy_setopt(h, CURLOPT_CLOSESOCKETDATA, this);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Phase::Received);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
        const bool upload = kind == Kind::UploadCheck || (kind == Kind::Load && uploading_);
        if (upload) {
            curl_easy_setopt(h, CURLOPT_URL, options_.uploadUrl.c_str());
            curl_easy_setopt(h, CURLOPT_POST, 1L);
            curl_easy_setopt(h, CURLOPT_READFUNCTION, &Phase::Send);
            curl_easy_setopt(h, CURLOPT_READDATA, &t);
        } else {
            curl_easy_setopt(h, CURLOPT_URL, options_.url.c_str());
        }
        if (kind == Kind::Load) {
            curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 256L * 1024);
        } else {
            // Probes: one byte, on a connection of their own unless it is
            // the open connection of the idle series.
            if (!upload) curl_easy_setopt(h, CURLOPT_RANGE, "0-0");
            curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, kProbeTimeoutMs);
            if (kind != Kind::Open) {
                curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);
                curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
            }
        }
        return &t;
    }

    // (Re)starts a transfer; false when the library refuses it.
    bool Launch(Transfer& t, bool counts) {
        t.bytes = 0;
        t.counts = counts;
        t.error[0] = '\0';
        if (t.kind == Kind::UploadCheck || (t.kind == Kind::Load && uploading_)) {
            t.uploadLeft = t.kind == Kind::Load ? kUploadBodyBytes : 1024;
            curl_easy_setopt(t.easy, CURLOPT_POSTFIELDSIZE_LARGE, t.uploadLeft);
        }
        if (curl_multi_add_handle(multi_, t.easy) != CURLM_OK) return false;
        ++inFlight_[t.kind];
        return true;
    }

    void Forget(Transfer* t) {
        curl_easy_cleanup(t->easy);
        transfers_.remove_if([t](const Transfer& x) { return &x == t; });
    }

    int InFlight(Kind k) const {
        const auto it = inFlight_.find(k);
        return it == inFlight_.end() ? 0 : it->second;
    }

    // Runs the library until something finished, the poll slice passed or a
    // stop; hands each finished transfer (already out of the handle) to `done`.
    template <typename Done>
    void Pump(Done&& done) {
        int active = 0;
        curl_multi_perform(multi_, &active);
        int left = 0;
        while (CURLMsg* m = curl_multi_info_read(multi_, &left)) {
            if (m->msg != CURLMSG_DONE) continue;
            Transfer* t = nullptr;
            curl_easy_getinfo(m->easy_handle, CURLINFO_PRIVATE, &t);
            const CURLcode code = m->data.result;
            curl_multi_remove_handle(multi_, m->easy_handle);
            --inFlight_[t->kind];
            done(*t, code);
        }
        curl_multi_poll(multi_, nullptr, 0, kPollMs, nullptr);
    }

    void SetUploading(bool u) { uploading_ = u; }
    // Body bytes of the load received (download) or handed over (upload).
    std::uint64_t LoadBytes() const { return loadBytes_; }

    // Bytes the server acknowledged (upload) or that arrived (download) on
    // the load's connections so far, those closed included: unlike what the
    // program handed over or read, this is what crossed the line. false when
    // the system keeps no such count.
    bool AckedBytes(std::uint64_t& total) {
        for (const auto s : loadSockets_) Account(s);
        total = acked_;
        return ackedKnown_;
    }

    // The TCP round trip of one of the load's connections, in turn.
    std::optional<double> LoadRoundTrip(bool receiving) {
        if (loadSockets_.empty()) return std::nullopt;
        auto it = loadSockets_.begin();
        std::advance(it, static_cast<long>(nextSocket_++ % loadSockets_.size()));
        zeva::TcpStats stats;
        if (!zeva::GetTcpStats(*it, stats)) return std::nullopt;
        const double ms = receiving ? stats.receiveRttMs : stats.rttMs;
        if (ms <= 0) return std::nullopt;
        return ms;
    }

private:
    void Account(curl_socket_t s) {
        zeva::TcpStats stats;
        if (!zeva::GetTcpStats(s, stats)) {
            ackedKnown_ = false;
            return;
        }
        std::uint64_t& last = lastAcked_[s];
        const std::uint64_t now = uploading_ ? stats.bytesDelivered : stats.bytesReceived;
        if (now >= last) acked_ += now - last;
        last = now;
    }

    // Load connections are recognised when the library opens them.
    static int SocketOpened(void* user, curl_socket_t s, curlsocktype purpose) {
        auto* t = static_cast<Transfer*>(user);
        if (purpose == CURLSOCKTYPE_IPCXN && t->kind == Kind::Load)
            static_cast<Phase*>(t->phase)->loadSockets_.insert(s);
        return CURL_SOCKOPT_OK;
    }

    static int CloseSocket(void* user, curl_socket_t s) {
        auto* self = static_cast<Phase*>(user);
        if (self->loadSockets_.erase(s) > 0) {
            self->Account(s);
            self->lastAcked_.erase(s);
        }
        return zeva::CloseSocket(s);
    }

    static size_t Received(char*, size_t size, size_t n, void* user) {
        auto* t = static_cast<Transfer*>(user);
        t->bytes += size * n;
        if (t->kind == Kind::Load) static_cast<Phase*>(t->phase)->loadBytes_ += size * n;
        // A probe has its answer once it began; the rest of a whole file is
        // not waited for.
        if (t->kind != Kind::Load && t->bytes > kProbeBodyLimit) return 0;
        return size * n;
    }

    static size_t Send(char* buffer, size_t size, size_t n, void* user) {
        auto* t = static_cast<Transfer*>(user);
        const auto want = static_cast<curl_off_t>(size * n);
        const auto len = static_cast<size_t>(std::min(want, t->uploadLeft));
        // Varied bytes, so nothing on the way can squeeze them.
        for (size_t i = 0; i < len; ++i)
            buffer[i] = static_cast<char>((t->bytes + i) * 2654435761u >> 13);
        t->uploadLeft -= static_cast<curl_off_t>(len);
        t->bytes += len;
        if (t->kind == Kind::Load) static_cast<Phase*>(t->phase)->loadBytes_ += len;
        return len;
    }

    CLineQuality::Impl& impl_;
    const LineQualityOptions& options_;
    CURLM* multi_ = nullptr;
    curl_slist* headers_ = nullptr;
    std::list<Transfer> transfers_;
    std::map<Kind, int> inFlight_;
    bool uploading_ = false;
    std::set<curl_socket_t> loadSockets_;
    std::map<curl_socket_t, std::uint64_t> lastAcked_;
    std::uint64_t acked_ = 0;
    std::uint64_t loadBytes_ = 0;
    bool ackedKnown_ = true;
    std::size_t nextSocket_ = 0;
};

}  // namespace

namespace {

struct ProbeTimes {
    std::optional<double> connectMs;  // a new connection's set-up
    double requestMs = 0;             // request sent to answer begun
};

// A finished probe's times; false with the reason when it failed.
bool ReadProbe(const Transfer& t, CURLcode code, ProbeTimes& out, std::string& why) {
    long status = 0;
    long connects = 0;
    curl_off_t name = 0, connect = 0, pre = 0, first = 0;
    curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(t.easy, CURLINFO_NUM_CONNECTS, &connects);
    curl_easy_getinfo(t.easy, CURLINFO_NAMELOOKUP_TIME_T, &name);
    curl_easy_getinfo(t.easy, CURLINFO_CONNECT_TIME_T, &connect);
    curl_easy_getinfo(t.easy, CURLINFO_PRETRANSFER_TIME_T, &pre);
    curl_easy_getinfo(t.easy, CURLINFO_STARTTRANSFER_TIME_T, &first);
    const bool began = status > 0 && first > 0;
    // A probe that stopped reading a whole file once it began is complete.
    if (code != CURLE_OK && !(code == CURLE_WRITE_ERROR && began)) {
        why = t.error[0] != '\0' ? t.error : curl_easy_strerror(code);
        return false;
    }
    if (status >= 400) {
        why = "the server answered HTTP " + std::to_string(status);
        return false;
    }
    if (connects > 0 && connect >= name)
        out.connectMs = static_cast<double>(connect - name) / 1000.0;
    out.requestMs = static_cast<double>(std::max<curl_off_t>(0, first - pre)) / 1000.0;
    return true;
}

LatencyFigures Figures(const std::vector<double>& all, const std::vector<double>& series,
                       unsigned lost) {
    LatencyFigures f;
    f.median = Median(all);
    f.p90 = Percentile(all, 90);
    f.jitter = Jitter(series);
    f.samples = static_cast<unsigned>(all.size());
    f.lost = lost;
    return f;
}

}  // namespace

void CLineQuality::Impl::Run(LineQualityOptions options, HWND window, UINT message) {
    zeva::Clock& clock = zeva::GetClock();
    const Ms total(static_cast<long long>(options.seconds) * 1000);
    const bool upload = !options.uploadUrl.empty();
    const Ms idleLen = total / 6;
    const Ms loadLen = (total - idleLen) / (upload ? 2 : 1);
    const Ms start = clock.Now();
    Ms nextProgress = start;
    std::optional<double> lastLatency;

    auto progressAt = [&](LineQualityPhase phase, Ms now, double mbps) {
        const int percent = static_cast<int>(
            std::clamp<long long>((now - start).count() * 100 / total.count(), 0, 99));
        {
            std::lock_guard lock(mutex);
            progress = {phase, percent, mbps, lastLatency};
        }
        if (now >= nextProgress) {
            Post(window, message, static_cast<WPARAM>(phase), percent);
            nextProgress = now + kProgressEvery;
        }
    };
    auto fail = [&](const std::string& why) {
        {
            std::lock_guard lock(mutex);
            error = why;
        }
        Finish(window, message, -1);
    };
    auto done = [&] {
        std::lock_guard lock(mutex);
        running = false;
    };

    LineQualityResult r;
    // ---- idle: requests on one open connection, and new connections now and then ----
    {
        std::vector<double> series, all, connects;
        unsigned lost = 0;
        bool reached = false, refused = false;
        std::optional<bool> uploadOk;
        if (!upload) uploadOk = true;
        std::string firstError, uploadError;
        Phase phase(*this, options);
        Transfer* open = phase.ok() ? phase.Add(Kind::Open) : nullptr;
        Transfer* check = upload && open != nullptr ? phase.Add(Kind::UploadCheck) : nullptr;
        if (open == nullptr || (upload && (check == nullptr || !phase.Launch(*check, true)))) {
            fail("the transfer library failed");
            return;
        }
        const Ms end = start + idleLen;
        Ms nextProbe = start;
        unsigned tick = 0;
        while (!Stopped()) {
            const Ms now = clock.Now();
            // The idle part lasts until its time is up and the first probe and
            // the upload check have their answers (each has a time-out of its own).
            if (now >= end && uploadOk && (reached || lost > 0)) break;
            if (now >= nextProbe && now < end) {
                if (phase.InFlight(Kind::Open) == 0) phase.Launch(*open, true);
                if (tick % 3 == 2 && phase.InFlight(Kind::Foreign) < kMaxProbesInFlight) {
                    if (Transfer* f = phase.Add(Kind::Foreign)) phase.Launch(*f, true);
                }
                ++tick;
                while (nextProbe <= now) nextProbe += kProbeEvery;
            }
            progressAt(LineQualityPhase::Idle, now, 0);
            phase.Pump([&](Transfer& t, CURLcode code) {
                ProbeTimes times;
                std::string why;
                const bool good = ReadProbe(t, code, times, why);
                if (t.kind == Kind::UploadCheck) {
                    uploadOk = good;
                    uploadError = why;
                    return;
                }
                if (good) {
                    reached = true;
                    if (times.connectMs) {
                        connects.push_back(*times.connectMs);
                        all.push_back(*times.connectMs);
                    }
                    all.push_back(times.requestMs);
                    if (t.kind == Kind::Open) series.push_back(times.requestMs);
                    lastLatency = times.requestMs;
                } else {
                    ++lost;
                    if (firstError.empty()) firstError = why;
                    if (!reached) refused = true;
                }
                if (t.kind == Kind::Foreign) phase.Forget(&t);
            });
            // A refused upload is told once the server itself is known to answer.
            if (refused || (uploadOk == false && reached)) break;
        }
        if (Stopped()) return done();
        if (!reached) {
            fail("cannot reach " + HostOf(options.url) + ": " +
                 (firstError.empty() ? "no answer in time" : firstError));
            return;
        }
        if (uploadOk == false) {
            fail("the upload address " + options.uploadUrl + " takes no data: " + uploadError);
            return;
        }
        r.idle = Figures(all, series, lost);
        r.idleConnectMs = Median(connects);
    }

    // ---- loaded: parallel streams, probes on new connections, the load's own round trips ----
    std::vector<double> allConnect, allRequest, allSelf;
    auto loaded = [&](bool up, LoadFigures& fig) -> bool {
        const LineQualityPhase which = up ? LineQualityPhase::Upload : LineQualityPhase::Download;
        Phase phase(*this, options);
        phase.SetUploading(up);
        std::vector<Transfer*> waiting;
        for (int i = 0; i < kLoadStreams && phase.ok(); ++i) {
            Transfer* t = phase.Add(Kind::Load);
            if (t == nullptr || !phase.Launch(*t, true)) {
                fail("the transfer library failed");
                return false;
            }
        }
        if (!phase.ok()) {
            fail("the transfer library failed");
            return false;
        }
        fig.streams = kLoadStreams;
        const Ms from = clock.Now();
        const Ms rampEnd =
            from +
            std::min(kMaxRamp,
                     Ms(static_cast<long long>(static_cast<double>(loadLen.count()) * kRampShare)));
        const Ms end = from + loadLen;
        std::vector<double> connects, requests, self, all;
        unsigned lost = 0, failures = 0;
        std::string lastError;
        struct Mark {
            Ms at;
            std::uint64_t bytes, acked;
            bool ackedKnown;
        };
        auto mark = [&](Ms at) {
            Mark m{at, phase.LoadBytes(), 0, false};
            m.ackedKnown = phase.AckedBytes(m.acked);
            return m;
        };
        std::optional<Mark> ramp;
        std::deque<std::pair<Ms, std::uint64_t>> history{{from, 0}};
        Ms nextProbe = from, nextSample = from + kProgressEvery;
        double liveMbps = 0;
        while (!Stopped()) {
            const Ms now = clock.Now();
            if (!ramp && now >= rampEnd) ramp = mark(now);
            // A load still connecting when its time is up gets until its connect time-out.
            if (now >= end && (phase.LoadBytes() > 0 || failures > 0)) break;
            if (now >= nextProbe) {
                const bool counts = now >= rampEnd;
                if (phase.InFlight(Kind::Foreign) < kMaxProbesInFlight) {
                    if (Transfer* f = phase.Add(Kind::Foreign)) phase.Launch(*f, counts);
                }
                if (counts) {
                    if (const auto rtt = phase.LoadRoundTrip(!up)) self.push_back(*rtt);
                }
                // A stream that failed starts again at the next probe, not in a tight loop.
                for (Transfer* t : waiting) phase.Launch(*t, true);
                waiting.clear();
                while (nextProbe <= now) nextProbe += kProbeEvery;
            }
            if (now >= nextSample) {
                history.emplace_back(now, phase.LoadBytes());
                while (history.size() > 2 && now - history[1].first >= kRateWindow)
                    history.pop_front();
                const double secs = Seconds(now - history.front().first);
                liveMbps = secs > 0
                               ? static_cast<double>(phase.LoadBytes() - history.front().second) *
                                     8.0 / 1e6 / secs
                               : 0;
                while (nextSample <= now) nextSample += kProgressEvery;
            }
            progressAt(which, now, liveMbps);
            phase.Pump([&](Transfer& t, CURLcode code) {
                if (t.kind == Kind::Load) {
                    long status = 0;
                    curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &status);
                    if (code != CURLE_OK || status >= 400) {
                        ++failures;
                        lastError = code != CURLE_OK
                                        ? std::string(t.error[0] != '\0' ? t.error
                                                                         : curl_easy_strerror(code))
                                        : "the server answered HTTP " + std::to_string(status);
                        waiting.push_back(&t);
                    } else {
                        phase.Launch(t, true);  // a finished request: the next one
                    }
                    return;
                }
                if (t.counts) {
                    ProbeTimes times;
                    std::string why;
                    if (ReadProbe(t, code, times, why)) {
                        if (times.connectMs) {
                            connects.push_back(*times.connectMs);
                            all.push_back(*times.connectMs);
                        }
                        requests.push_back(times.requestMs);
                        all.push_back(times.requestMs);
                        lastLatency = times.requestMs;
                    } else {
                        ++lost;
                    }
                }
                phase.Forget(&t);
            });
            // Nothing moves and every attempt fails: the load cannot run.
            if (phase.LoadBytes() == 0 && failures >= 3 * kLoadStreams) break;
        }
        if (Stopped()) return false;
        const Mark last = mark(clock.Now());
        if (last.bytes == 0) {
            fail(std::string(up ? "the upload" : "the download") + " moved no data" +
                 (lastError.empty() ? std::string() : ": " + lastError));
            return false;
        }
        if (ramp && last.at > ramp->at) {
            const std::uint64_t bytes = ramp->ackedKnown && last.ackedKnown
                                            ? last.acked - ramp->acked
                                            : last.bytes - ramp->bytes;
            fig.mbps = static_cast<double>(bytes) * 8.0 / 1e6 / Seconds(last.at - ramp->at);
        } else if (last.at > from) {
            fig.mbps = static_cast<double>(last.bytes) * 8.0 / 1e6 / Seconds(last.at - from);
        }
        fig.latency = Figures(all, requests, lost);
        fig.loadedRttMs = Median(self);
        fig.rpm = zeva::speed::Responsiveness(connects, requests, self);
        allConnect.insert(allConnect.end(), connects.begin(), connects.end());
        allRequest.insert(allRequest.end(), requests.begin(), requests.end());
        allSelf.insert(allSelf.end(), self.begin(), self.end());
        return true;
    };

    if (!loaded(false, r.download)) return done();
    if (upload) {
        LoadFigures up;
        if (!loaded(true, up)) return done();
        r.upload = up;
    }
    r.rpm = zeva::speed::Responsiveness(allConnect, allRequest, allSelf);
    std::optional<double> worst = r.download.latency.median;
    if (r.upload && r.upload->latency.median && (!worst || *r.upload->latency.median > *worst))
        worst = r.upload->latency.median;
    if (worst && r.idle.median) {
        r.addedMs = std::max(0.0, *worst - *r.idle.median);
        r.grade = zeva::speed::GradeAddedLatency(*r.addedMs);
    }
    {
        std::lock_guard lock(mutex);
        result = r;
    }
    Finish(window, message, 100);
}

CLineQuality::CLineQuality() : impl_(std::make_unique<Impl>()) {
    zeva::speed::EnsureCurl();
}

CLineQuality::~CLineQuality() {
    StopTest();
}

int CLineQuality::StartTest(const LineQualityOptions& options, HWND window, UINT message) {
    try {
        if (!zeva::speed::JoinFinished(impl_->mutex, impl_->running, impl_->worker)) return 1;
        if (options.url.empty() || options.seconds < 3) return 2;
        std::lock_guard lock(impl_->mutex);
        impl_->running = true;
        impl_->stopped = false;
        impl_->result.reset();
        impl_->error.clear();
        impl_->progress = {};
        impl_->worker = std::thread(&Impl::Run, impl_.get(), options, window, message);
        return 0;
    } catch (...) {
        std::lock_guard lock(impl_->mutex);
        impl_->running = false;
        return 3;
    }
}

void CLineQuality::StopTest() {
    std::thread worker;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopped = true;
        if (impl_->multi != nullptr) curl_multi_wakeup(impl_->multi);
        worker = std::move(impl_->worker);
    }
    zeva::speed::JoinOrDetach(worker);
}

bool CLineQuality::IsRunning() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->running;
}

LineQualityProgress CLineQuality::GetProgress() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->progress;
}

bool CLineQuality::GetResult(LineQualityResult& out) const {
    std::lock_guard lock(impl_->mutex);
    if (!impl_->result) return false;
    out = *impl_->result;
    return true;
}

std::string CLineQuality::GetLastError() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->error;
}
