// Windows that other programs find by class name, on Windows: each
// registration is a real hidden top-level window of that class, owned by a
// listener thread of its own with a Win32 message loop. Its window procedure
// hands WM_CLOSE and the owner's listed messages to the model's window
// through the message layer and answers 0 to every other application message.
//
// A thread of its own rather than the UI thread: the model's windows are
// driven by the message layer's queue (headless, or under whichever renderer
// pumps it), so the class window answers other processes whatever the UI
// thread is busy with, and a WM_CLOSE that arrives while the UI thread waits
// still reaches it as a message-layer SendMessage, as on Linux.
#include "platform/WindowFinder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <pthread.h>

#include "MessageQueue_p.h"
#include "platform/MessageQueue.h"

#include "platform/win/WindowsApi.h"

#include "WinText_p.h"

namespace zeva {

namespace {

// How long a message sent to another process's window may take (its owner
// handles WM_CLOSE, say, by saving its settings).
constexpr UINT kSendTimeoutMs = 60000;

std::string Lower(const std::string& s) {
    std::string out = s;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// One registration: the model's window, the messages it takes from other
// processes, and the class window that stands for it.
struct Listener {
    HWND model = nullptr;
    std::vector<UINT> alsoAccepted;
    std::string classLower;
    std::wstring className;
    HANDLE stop = nullptr;  // set when the registration is withdrawn
    HWND real = nullptr;    // the class window, on the listener thread
    std::thread thread;     // joined once withdrawn (see JoinWithdrawn)
    // True while the listener waits for the model's thread to handle a
    // message it passed on: that thread cannot wait for the listener then.
    std::atomic<bool> forwarding{false};
};

// Never destroyed: a listener thread may end after main() returns.
struct Registrations {
    std::mutex mutex;
    std::vector<std::shared_ptr<Listener>> listeners;
    std::vector<std::shared_ptr<Listener>> withdrawn;  // listener threads not yet joined
    std::map<::HWND, HWND> remoteHandles;  // another process's class window -> its handle here
    // Registering a class and creating its window, or destroying the last
    // window and unregistering the class, happen under this lock: a class
    // another registration still uses is not taken from under it.
    std::mutex classMutex;
};

Registrations& Registry() {
    static Registrations* r = new Registrations;
    return *r;
}

bool Accepted(const Listener& l, UINT message) {
    return message == WM_CLOSE ||
           std::find(l.alsoAccepted.begin(), l.alsoAccepted.end(), message) != l.alsoAccepted.end();
}

void Refused(const Listener& l, UINT message) {
    std::fprintf(stderr, "window %s: refused message %u from another process\n",
                 l.classLower.c_str(), message);
}

LRESULT CALLBACK ClassWindowProc(::HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    auto* l = reinterpret_cast<Listener*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (l == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    const bool fromOutside = (InSendMessageEx(nullptr) & ISMEX_SEND) != 0;
    if (fromOutside && Accepted(*l, message)) {
        // Withdrawn: the owner may be waiting for this thread to end.
        if (WaitForSingleObject(l->stop, 0) == WAIT_OBJECT_0) return 0;
        l->forwarding = true;
        const LRESULT result = SendMessage(l->model, message, wParam, lParam);
        l->forwarding = false;
        return result;
    }
    // The application's ranges carry whatever their sender means, pointers
    // into its own memory included: nothing unlisted goes further. The
    // system's own messages are marshalled by Windows and answered by it, so
    // that broadcasts and the end of a session find a well-behaved window.
    if (message >= WM_USER) {
        if (fromOutside) Refused(*l, message);
        return 0;
    }
    if (message == WM_CLOSE) return 0;  // closed only by withdrawing the registration
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&ClassWindowProc), &module);
    return module;
}

::HWND CreateClassWindow(Listener& l) {
    std::lock_guard<std::mutex> lock(Registry().classMutex);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ClassWindowProc;
    wc.hInstance = ThisModule();
    wc.lpszClassName = l.className.c_str();
    if (RegisterClassExW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        std::fprintf(stderr, "window %s: cannot register the class: %s\n", l.classLower.c_str(),
                     win::ErrorText(GetLastError()).c_str());
        return nullptr;
    }
    // Top-level (FindWindowW does not see message-only windows) and never shown.
    const ::HWND h = CreateWindowExW(WS_EX_TOOLWINDOW, l.className.c_str(), l.className.c_str(),
                                     WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, &l);
    if (h == nullptr) {
        std::fprintf(stderr, "window %s: cannot create the class window: %s\n",
                     l.classLower.c_str(), win::ErrorText(GetLastError()).c_str());
        UnregisterClassW(l.className.c_str(), wc.hInstance);
    }
    return h;
}

void DestroyClassWindow(Listener& l) {
    std::lock_guard<std::mutex> lock(Registry().classMutex);
    DestroyWindow(l.real);
    // Fails while another registration of this process uses the class.
    UnregisterClassW(l.className.c_str(), ThisModule());
}

// The listener thread: creates the class window, reports whether that
// worked, then serves it until the registration is withdrawn.
void Serve(std::shared_ptr<Listener> l, std::promise<bool> created) {
    l->real = CreateClassWindow(*l);
    created.set_value(l->real != nullptr);
    if (l->real == nullptr) return;
    for (;;) {
        const DWORD woke =
            MsgWaitForMultipleObjectsEx(1, &l->stop, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) break;
        ::MSG msg{};
        // Messages sent from other threads are handled inside PeekMessageW.
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == l->real && Accepted(*l, msg.message)) {
                if (WaitForSingleObject(l->stop, 0) != WAIT_OBJECT_0)
                    PostMessage(l->model, msg.message, msg.wParam, msg.lParam);
            } else if (msg.hwnd == l->real && msg.message >= WM_USER) {
                Refused(*l, msg.message);
            } else if (msg.message != WM_QUIT) {
                DispatchMessageW(&msg);
            }
        }
    }
    DestroyClassWindow(*l);
    CloseHandle(l->stop);
}

// Delivers one message to another process's window.
LRESULT Forward(::HWND real, UINT message, WPARAM wParam, LPARAM lParam, bool wait) {
    if (!wait) {
        PostMessageW(real, message, wParam, lParam);
        return 0;
    }
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(real, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result) ==
        0)
        return 0;
    return static_cast<LRESULT>(result);
}

// Waits for the threads of withdrawn registrations to end, so that none is
// still ending (inside the runtime's thread clean-up) when the process exits
// and is cut off there. One that is passing a message on to its owner (the
// WM_CLOSE whose handler withdraws the registration, say) is left for a
// later call: waiting for it from that handler would never end. Messages
// sent to this thread are handled meanwhile.
void JoinWithdrawn() {
    std::vector<std::shared_ptr<Listener>> ending;
    {
        std::lock_guard<std::mutex> lock(Registry().mutex);
        ending.swap(Registry().withdrawn);
    }
    std::vector<std::shared_ptr<Listener>> later;
    for (auto& l : ending) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        HANDLE thread = pthread_gethandle(l->thread.native_handle());
        bool ended = false;
        // Already passing a message on: most likely to the handler that
        // called this, which waiting would never let finish.
        if (!l->forwarding) {
            while (std::chrono::steady_clock::now() < limit) {
                detail::HandlePendingSent();
                if (WaitForSingleObject(thread, 10) != WAIT_TIMEOUT) {
                    ended = true;
                    break;
                }
            }
        }
        if (ended)
            l->thread.join();
        else
            later.push_back(std::move(l));
    }
    if (later.empty()) return;
    std::lock_guard<std::mutex> lock(Registry().mutex);
    for (auto& l : later) Registry().withdrawn.push_back(std::move(l));
}

}  // namespace

bool RegisterWindowClassName(HWND hwnd, const std::string& className,
                             std::vector<UINT> alsoAccepted) {
    if (!zeva::IsWindow(hwnd) || className.empty()) return false;
    auto l = std::make_shared<Listener>();
    l->model = hwnd;
    l->alsoAccepted = std::move(alsoAccepted);
    l->classLower = Lower(className);
    l->className = win::Wide(className);
    l->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (l->stop == nullptr) return false;
    std::promise<bool> created;
    std::future<bool> ready = created.get_future();
    JoinWithdrawn();
    l->thread = std::thread(Serve, l, std::move(created));
    if (!ready.get()) {
        l->thread.join();
        CloseHandle(l->stop);
        return false;
    }
    std::lock_guard<std::mutex> lock(Registry().mutex);
    Registry().listeners.push_back(std::move(l));
    return true;
}

void UnregisterWindowClassName(HWND hwnd) {
    {
        std::lock_guard<std::mutex> lock(Registry().mutex);
        auto& all = Registry().listeners;
        for (auto it = all.begin(); it != all.end();) {
            if ((*it)->model == hwnd) {
                SetEvent((*it)->stop);
                Registry().withdrawn.push_back(std::move(*it));
                it = all.erase(it);
            } else {
                ++it;
            }
        }
    }
    JoinWithdrawn();
}

HWND FindProcessWindowA(const char* className) {
    if (className == nullptr || *className == '\0') return nullptr;
    const std::string wanted = Lower(className);
    std::lock_guard<std::mutex> lock(Registry().mutex);
    for (const auto& l : Registry().listeners) {
        if (l->classLower == wanted && zeva::IsWindow(l->model)) return l->model;
    }
    return nullptr;
}

namespace {

// Top-level windows of class `wanted` that belong to other processes, in
// z-order. Listed in one go: stepping from window to window with
// FindWindowExW ends early when the window it steps from is destroyed
// meanwhile (this process's withdrawn class window, say).
std::vector<::HWND> OtherProcessesWindows(const std::wstring& wanted) {
    struct Search {
        const std::wstring* wanted;
        DWORD self;
        std::vector<::HWND> found;
    } search{&wanted, GetCurrentProcessId(), {}};
    EnumWindows(
        [](::HWND h, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t name[256] = {};
            const int n = GetClassNameW(h, name, 256);
            if (n <= 0 ||
                CompareStringOrdinal(name, n, s->wanted->c_str(),
                                     static_cast<int>(s->wanted->size()), TRUE) != CSTR_EQUAL)
                return TRUE;
            DWORD pid = 0;
            // This process's own class windows are the registrations, looked
            // at first; one here is a withdrawn registration on its way out.
            if (GetWindowThreadProcessId(h, &pid) != 0 && pid != s->self) s->found.push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

HWND FindWindowA(const char* className, const char* /*windowName*/) {
    if (className == nullptr || *className == '\0') return nullptr;
    if (const HWND own = FindProcessWindowA(className)) return own;
    for (::HWND real : OtherProcessesWindows(win::Wide(className))) {
        if (!::IsWindow(real)) continue;
        std::lock_guard<std::mutex> lock(Registry().mutex);
        if (auto it = Registry().remoteHandles.find(real);
            it != Registry().remoteHandles.end() && zeva::IsWindow(it->second))
            return it->second;
        const HWND h =
            detail::CreateRemoteWindowHandle([real](UINT m, WPARAM w, LPARAM lp, bool wait) {
                return Forward(real, m, w, lp, wait);
            });
        Registry().remoteHandles[real] = h;
        return h;
    }
    return nullptr;
}

}  // namespace zeva
