#include "ZEVAVDownSpeedEx.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "Curl_p.h"
#include "IEMgr.h"
#include "PostToWindow_p.h"
#include "Worker_p.h"
#include "platform/Clock.h"

namespace {

constexpr zeva::Clock::Duration kSampleEvery{500};
// The current rate is taken over the last second, so one slow sample does
// not make the display jump.
constexpr zeva::Clock::Duration kRateWindow{1000};
constexpr int kMaxStreams = 8;
constexpr int kParallelStreams = 4;
// Poll slice: how quickly the worker notices the clock, a stop or new data.
constexpr int kPollMs = 20;

}  // namespace

struct CZEVAVDownSpeedEx::Impl {
    struct Stream {
        CURL* easy = nullptr;
        std::size_t url = 0;
        std::uint64_t bytes = 0;  // of the current transfer
        std::uint64_t* total = nullptr;
    };

    const bool parallel;
    std::atomic<bool> useProxy{false};

    mutable std::mutex mutex;  // guards the fields below and every post
    bool running = false;
    bool stopped = false;
    std::thread worker;

    explicit Impl(bool p) : parallel(p) {}

    void Post(HWND window, UINT message, WPARAM w, LPARAM l) {
        std::lock_guard lock(mutex);
        if (!stopped && window != nullptr) zeva::speed::PostToWindow(window, message, w, l);
    }

    // The last message: once a caller sees it, a new test may start (the
    // next start waits for this thread's clean-up).
    void Finish(HWND window, UINT message, WPARAM w, LPARAM l) {
        std::lock_guard lock(mutex);
        running = false;
        if (!stopped && window != nullptr) zeva::speed::PostToWindow(window, message, w, l);
    }

    bool Stopped() {
        std::lock_guard lock(mutex);
        return stopped;
    }

    static size_t Count(char*, size_t size, size_t n, void* user) {
        auto* s = static_cast<Stream*>(user);
        s->bytes += size * n;
        *s->total += size * n;
        return size * n;
    }

    void Run(std::vector<std::string> urls, unsigned long durationMs, HWND window, UINT message,
             std::string proxy);
};

void CZEVAVDownSpeedEx::Impl::Run(std::vector<std::string> urls, unsigned long durationMs,
                                  HWND window, UINT message, std::string proxy) {
    using Ms = zeva::Clock::Duration;
    zeva::Clock& clock = zeva::GetClock();
    std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi(curl_multi_init(),
                                                                curl_multi_cleanup);
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(
        zeva::speed::NoCacheHeaders(), curl_slist_free_all);
    const int streamCount =
        parallel ? std::clamp(static_cast<int>(urls.size()), kParallelStreams, kMaxStreams) : 1;
    std::uint64_t total = 0;
    std::vector<Stream> streams(static_cast<std::size_t>(streamCount));
    // An address is dead once it failed without giving a byte; all dead
    // before any byte arrived means nothing can be reached.
    std::vector<bool> dead(urls.size(), false);
    std::vector<bool> delivered(urls.size(), false);
    std::size_t nextUrl = 0;

    auto pickUrl = [&]() -> std::optional<std::size_t> {
        for (std::size_t i = 0; i < urls.size(); ++i) {
            const std::size_t u = (nextUrl + i) % urls.size();
            if (!dead[u]) {
                nextUrl = u + 1;
                return u;
            }
        }
        return std::nullopt;
    };
    auto launch = [&](Stream& s) -> bool {
        const auto u = pickUrl();
        if (!u) return false;
        if (s.easy == nullptr)
            s.easy = curl_easy_init();
        else
            curl_easy_reset(s.easy);
        if (s.easy == nullptr) return false;
        s.url = *u;
        s.bytes = 0;
        s.total = &total;
        zeva::speed::CommonOptions(s.easy, proxy, headers.get());
        curl_easy_setopt(s.easy, CURLOPT_URL, urls[s.url].c_str());
        curl_easy_setopt(s.easy, CURLOPT_WRITEFUNCTION, &Impl::Count);
        curl_easy_setopt(s.easy, CURLOPT_WRITEDATA, &s);
        curl_easy_setopt(s.easy, CURLOPT_PRIVATE, &s);
        curl_easy_setopt(s.easy, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(s.easy, CURLOPT_CONNECTTIMEOUT_MS, 5000L);
        curl_easy_setopt(s.easy, CURLOPT_BUFFERSIZE, 256L * 1024);
        curl_easy_setopt(s.easy, CURLOPT_ACCEPT_ENCODING, nullptr);  // count the bytes on the line
        return curl_multi_add_handle(multi.get(), s.easy) == CURLM_OK;
    };

    std::vector<Stream*> idle;
    if (multi) {
        for (auto& s : streams)
            if (!launch(s)) idle.push_back(&s);
    }

    const Ms start = clock.Now();
    const Ms end = start + Ms(durationMs);
    // The first fifth of the test (at most 2 s) is TCP's slow start: the
    // average leaves it out.
    const Ms rampEnd = start + std::min(Ms(2000), Ms(durationMs / 5));
    Ms nextSample = start + kSampleEvery;
    std::optional<std::pair<Ms, std::uint64_t>> rampMark;
    std::deque<std::pair<Ms, std::uint64_t>> history{{start, 0}};
    Ms nextRetry = start + kSampleEvery;

    bool unreachable = !multi;
    while (!Stopped() && !unreachable) {
        int active = 0;
        curl_multi_perform(multi.get(), &active);
        int left = 0;
        while (CURLMsg* m = curl_multi_info_read(multi.get(), &left)) {
            if (m->msg != CURLMSG_DONE) continue;
            Stream* s = nullptr;
            curl_easy_getinfo(m->easy_handle, CURLINFO_PRIVATE, &s);
            curl_multi_remove_handle(multi.get(), m->easy_handle);
            const bool gaveData = m->data.result == CURLE_OK && s->bytes > 0;
            if (s->bytes > 0) delivered[s->url] = true;
            if (gaveData) {
                // A stream that ends starts over on the next address.
                if (!launch(*s)) idle.push_back(s);
            } else if (!delivered[s->url]) {
                // Failed (or empty) before any data: the address is of no
                // use; the stream moves on to another one at once.
                dead[s->url] = true;
                if (!launch(*s)) idle.push_back(s);
            } else {
                // An address that gave data and now fails is retried with a
                // pause, so a server that went away is not hammered.
                idle.push_back(s);
            }
        }
        if (total == 0 && std::all_of(dead.begin(), dead.end(), [](bool d) { return d; })) {
            unreachable = true;
            break;
        }

        const Ms now = clock.Now();
        if (!idle.empty() && total > 0 && now >= nextRetry) {
            // Addresses that failed after giving data may come back: try again now and then.
            std::fill(dead.begin(), dead.end(), false);
            std::vector<Stream*> still;
            for (Stream* s : idle)
                if (!launch(*s)) still.push_back(s);
            idle.swap(still);
            nextRetry = now + kSampleEvery;
        }
        if (!rampMark && now >= rampEnd) rampMark = {now, total};
        if (now >= end) {
            if (total == 0) {
                unreachable = true;
                break;
            }
            double kbps = 0;
            if (rampMark && now > rampMark->first)
                kbps = static_cast<double>(total - rampMark->second) / 1024.0 /
                       (static_cast<double>((now - rampMark->first).count()) / 1000.0);
            else if (now > start)
                kbps = static_cast<double>(total) / 1024.0 /
                       (static_cast<double>((now - start).count()) / 1000.0);
            Finish(window, message, static_cast<WPARAM>(kbps), 100);
            break;
        }
        if (now >= nextSample) {
            history.emplace_back(now, total);
            while (history.size() > 2 && now - history[1].first >= kRateWindow) history.pop_front();
            const auto& [t0, b0] = history.front();
            const double secs = static_cast<double>((now - t0).count()) / 1000.0;
            const double kbps = secs > 0 ? static_cast<double>(total - b0) / 1024.0 / secs : 0;
            const auto percent = std::min<long long>(
                99, (now - start).count() * 100 / static_cast<long long>(durationMs));
            Post(window, message, static_cast<WPARAM>(kbps), static_cast<LPARAM>(percent));
            while (nextSample <= now) nextSample += kSampleEvery;
        }
        curl_multi_poll(multi.get(), nullptr, 0, kPollMs, nullptr);
    }
    if (unreachable) Finish(window, message, 0, -1);

    for (auto& s : streams) {
        if (s.easy == nullptr) continue;
        curl_multi_remove_handle(multi.get(), s.easy);
        curl_easy_cleanup(s.easy);
    }
    std::lock_guard lock(mutex);
    running = false;
}

CZEVAVDownSpeedEx::CZEVAVDownSpeedEx(bool parallel) : impl_(std::make_unique<Impl>(parallel)) {
    zeva::speed::EnsureCurl();
}

CZEVAVDownSpeedEx::~CZEVAVDownSpeedEx() {
    StopTest();
}

void CZEVAVDownSpeedEx::EnableProxy(bool useUserProxy) {
    impl_->useProxy = useUserProxy;
}

bool CZEVAVDownSpeedEx::IsRunning() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->running;
}

int CZEVAVDownSpeedEx::StartTest(const std::vector<std::string>& urls, unsigned long durationMs,
                                 HWND window, UINT message) {
    try {
        if (!zeva::speed::JoinFinished(impl_->mutex, impl_->running, impl_->worker)) return 1;
        std::vector<std::string> list;
        for (const auto& u : urls)
            if (!u.empty()) list.push_back(u);
        if (list.empty() || durationMs == 0) return 2;
        const std::string proxy = impl_->useProxy ? zeva::UserProxyUrl() : std::string();
        std::lock_guard lock(impl_->mutex);
        impl_->running = true;
        impl_->stopped = false;
        impl_->worker = std::thread(&Impl::Run, impl_.get(), std::move(list), durationMs, window,
                                    message, proxy);
        return 0;
    } catch (...) {
        std::lock_guard lock(impl_->mutex);
        impl_->running = false;
        return 3;
    }
}

void CZEVAVDownSpeedEx::StopTest() {
    std::thread worker;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopped = true;
        worker = std::move(impl_->worker);
    }
    zeva::speed::JoinOrDetach(worker);
}
