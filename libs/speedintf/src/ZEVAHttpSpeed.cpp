#include "ZEVAHttpSpeed.h"

#include <atomic>
#include <mutex>
#include <thread>

#include "Curl_p.h"
#include "IEMgr.h"
#include "PostToWindow_p.h"
#include "Worker_p.h"

namespace {

// Progress steps of one fetch, in order.
constexpr LPARAM kResolved = 20, kConnected = 40, kRequestSent = 60, kAnswering = 80;

}  // namespace

struct CZEVAHttpSpeed::Impl {
    const bool useUserProxy;
    mutable std::mutex mutex;  // guards the fields below and every post
    bool running = false;
    bool stopped = false;
    std::thread worker;
    CURL* easy = nullptr;  // kept between tests for reuse; touched only by one worker at a time

    struct Run {
        Impl* self;
        HWND window;
        UINT message;
        CURL* easy;
        LPARAM reached = 0;
        std::atomic<bool>* stop;

        void Step(LPARAM stage) {
            while (reached < stage) {
                reached += 20;
                self->Post(window, message, 0, reached);
            }
        }
    };

    std::atomic<bool> stopFlag{false};

    explicit Impl(bool proxy) : useUserProxy(proxy) {}
    ~Impl() {
        if (easy != nullptr) curl_easy_cleanup(easy);
    }

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

    static size_t Discard(char*, size_t size, size_t n, void*) { return size * n; }

    static int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        auto* run = static_cast<Run*>(user);
        if (run->stop->load()) return 1;  // aborts the transfer
        curl_off_t t = 0;
        if (curl_easy_getinfo(run->easy, CURLINFO_STARTTRANSFER_TIME_T, &t) == CURLE_OK && t > 0)
            run->Step(kAnswering);
        else if (curl_easy_getinfo(run->easy, CURLINFO_PRETRANSFER_TIME_T, &t) == CURLE_OK && t > 0)
            run->Step(kRequestSent);
        else if (curl_easy_getinfo(run->easy, CURLINFO_CONNECT_TIME_T, &t) == CURLE_OK && t > 0)
            run->Step(kConnected);
        else if (curl_easy_getinfo(run->easy, CURLINFO_NAMELOOKUP_TIME_T, &t) == CURLE_OK && t > 0)
            run->Step(kResolved);
        return 0;
    }

    void Fetch(std::string url, long seconds, HWND window, UINT message, std::string proxy) {
        std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(
            zeva::speed::NoCacheHeaders(), curl_slist_free_all);
        Run run{this, window, message, easy, 0, &stopFlag};
        zeva::speed::CommonOptions(easy, proxy, headers.get());
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy, CURLOPT_TIMEOUT, seconds);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Impl::Discard);
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Impl::Progress);
        curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &run);
        const CURLcode rc = curl_easy_perform(easy);
        curl_off_t totalUs = 0;
        curl_easy_getinfo(easy, CURLINFO_TOTAL_TIME_T, &totalUs);
        long status = 0;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        // The pointer handed to curl must not outlive this call.
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, nullptr);
        if (!stopFlag.load()) {
            const WPARAM ms = static_cast<WPARAM>(std::max<curl_off_t>(1, totalUs / 1000));
            if (rc == CURLE_OK && status > 0) {
                run.Step(kAnswering);
                Finish(window, message, ms, 100);
            } else {
                // An answer that began but did not finish: the time spent. A
                // site that accepted the connection and never answered has not
                // answered at all: 0, as if it could not be reached.
                Finish(window, message, status > 0 ? ms : 0, -1);
            }
        }
        std::lock_guard lock(mutex);
        running = false;
    }
};

CZEVAHttpSpeed::CZEVAHttpSpeed(bool useUserProxy) : impl_(std::make_unique<Impl>(useUserProxy)) {
    zeva::speed::EnsureCurl();
}

CZEVAHttpSpeed::~CZEVAHttpSpeed() {
    StopTest();
}

bool CZEVAHttpSpeed::IsRunning() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->running;
}

int CZEVAHttpSpeed::StartTest(const std::string& url, int seconds, HWND window, UINT message,
                              bool reuse) {
    try {
        if (!zeva::speed::JoinFinished(impl_->mutex, impl_->running, impl_->worker)) return 1;
        if (url.empty() || seconds <= 0) return 2;
        if (!reuse && impl_->easy != nullptr) {
            curl_easy_cleanup(impl_->easy);  // a fresh start: no connection or name cache
            impl_->easy = nullptr;
        }
        if (impl_->easy == nullptr)
            impl_->easy = curl_easy_init();
        else
            curl_easy_reset(impl_->easy);  // keeps the caches
        if (impl_->easy == nullptr) return 3;
        const std::string proxy = impl_->useUserProxy ? zeva::UserProxyUrl() : std::string();
        std::lock_guard lock(impl_->mutex);
        impl_->running = true;
        impl_->stopped = false;
        impl_->stopFlag = false;
        impl_->worker = std::thread(&Impl::Fetch, impl_.get(), url, static_cast<long>(seconds),
                                    window, message, proxy);
        return 0;
    } catch (...) {
        std::lock_guard lock(impl_->mutex);
        impl_->running = false;
        return 3;
    }
}

void CZEVAHttpSpeed::StopTest() {
    std::thread worker;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopped = true;
        impl_->stopFlag = true;
        worker = std::move(impl_->worker);
    }
    zeva::speed::JoinOrDetach(worker);
}
