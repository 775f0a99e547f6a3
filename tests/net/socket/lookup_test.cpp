// A host lookup that outlives its wait: the time-out and a cancel end the wait with their exact
// texts, and the buffer Winsock was given stays the component's until the late completion.
// Under Wine a lookup completes before any tick, so every completion is held back here.
#include <gtest/gtest.h>
#include <malloc.h>

#include <map>

#include "LoopbackPeer.h"
#include "net/socket/HostLookupStart.h"

using sockettest::ErrorOf;
using sockettest::LoopbackPeer;
using sockettest::Probe;

namespace {

constexpr UINT kArrived = WM_APP + 7;

// Runs the real lookup into the component's own buffer, takes its completion on a window of its
// own and posts it to the component `hold` ms later. Winsock writes the buffer until it posts, so
// at that moment the buffer must still be allocated and hold the entry Winsock wrote: a buffer
// freed (or freed and reused) while its lookup was in flight does not.
class HeldLookups {
public:
    explicit HeldLookups(DWORD hold) : hold_(hold) {
        window_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc));
        current_ = this;
        previous_ = net::SetHostLookupStart(Start);
    }
    ~HeldLookups() {
        net::SetHostLookupStart(previous_);
        current_ = nullptr;
        DestroyWindow(window_);
    }
    HeldLookups(const HeldLookups&) = delete;
    HeldLookups& operator=(const HeldLookups&) = delete;

    int Delivered() const { return delivered_; }
    int BuffersLost() const { return buffersLost_; }
    void WaitForAll() {
        sockettest::PumpUntil([&] { return pending_.empty(); }, 10000);
    }

private:
    struct Lookup {
        HWND window;
        UINT message;
        char* buffer;
        int length;
        LPARAM result = 0;
    };

    static HANDLE WSAAPI Start(HWND window, u_int message, const char* name, char* buffer, int length) {
        HANDLE task = WSAAsyncGetHostByName(current_->window_, kArrived, name, buffer, length);
        if (task) current_->pending_[task] = Lookup{window, message, buffer, length};
        return task;
    }

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        HeldLookups* self = current_;
        if (self && message == kArrived) {
            auto found = self->pending_.find(reinterpret_cast<HANDLE>(wParam));
            if (found != self->pending_.end()) {
                found->second.result = lParam;
                SetTimer(window, wParam, self->hold_, nullptr);
            }
            return 0;
        }
        if (self && message == WM_TIMER) {
            KillTimer(window, wParam);
            auto found = self->pending_.find(reinterpret_cast<HANDLE>(wParam));
            if (found == self->pending_.end()) return 0;
            const Lookup lookup = found->second;
            self->pending_.erase(found);
            if (HIWORD(lookup.result) == 0 && !HoldsEntry(lookup)) ++self->buffersLost_;
            ++self->delivered_;
            PostMessageA(lookup.window, lookup.message, wParam, lookup.result);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    static bool HoldsEntry(const Lookup& lookup) {
        const char* begin = lookup.buffer;
        const char* end = begin + lookup.length;
        auto inside = [&](const void* p) { return p >= begin && p < end; };
        if (!HeapValidate(reinterpret_cast<HANDLE>(_get_heap_handle()), 0, lookup.buffer)) return false;
        const auto* entry = reinterpret_cast<const hostent*>(begin);
        return inside(entry->h_name) && inside(entry->h_addr_list) && inside(entry->h_addr_list[0]) &&
               *reinterpret_cast<const u_long*>(entry->h_addr_list[0]) == htonl(INADDR_LOOPBACK);
    }

    static inline HeldLookups* current_ = nullptr;
    DWORD hold_;
    HWND window_ = nullptr;
    net::THostLookupStart previous_ = nullptr;
    std::map<HANDLE, Lookup> pending_;
    int delivered_ = 0;
    int buffersLost_ = 0;
};

}  // namespace

// The time-out ends the wait long before the held completion; the same component then waits out
// a second lookup without a time-out, and the first one's late completion, arriving meanwhile,
// neither ends that wait nor spoils its address.
TEST(HostLookup, TimesOutWhileTheLookupIsHeldAndTheLateCompletionSpoilsNothing) {
    HeldLookups held(1500);
    LoopbackPeer peer([](SOCKET s) { sockettest::SendText(s, "ok\n"); });
    Probe client;
    client.Host = "localhost";
    client.Port = peer.Port();
    client.TimeOut = 300;
    const DWORD start = GetTickCount();
    EXPECT_EQ(ErrorOf([&] { client.Connect(); }), "Host Lookup Timed Out");
    EXPECT_LT(GetTickCount() - start, 1200u);
    EXPECT_FALSE(client.TimeoutTimer->Running());
    EXPECT_EQ(held.Delivered(), 0);

    client.TimeOut = 0;
    client.Connect();
    EXPECT_EQ(held.Delivered(), 2);
    EXPECT_EQ(client.RemoteAddress.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    std::string line;
    client.ReadLn(line);
    EXPECT_EQ(line, "ok\n");
    EXPECT_EQ(held.BuffersLost(), 0);
}

// A cancel while the lookup is in flight, then the component destroyed before the completion
// comes: Winsock still owns the buffer, so it must outlive the component.
TEST(HostLookup, CancelInFlightAndAComponentGoneBeforeItsCompletionLeaveTheBufferToWinsock) {
    HeldLookups held(800);
    {
        Probe client;
        client.Host = "localhost";
        client.Port = loopback::ClosedPort();
        client.TimeOut = 10000;
        const sockettest::CancelLater cancel(client, 200);
        const DWORD start = GetTickCount();
        EXPECT_EQ(ErrorOf([&] { client.Connect(); }), "Host Lookup Canceled");
        EXPECT_LT(GetTickCount() - start, 700u);
        EXPECT_FALSE(client.TimeoutTimer->Running());
    }
    held.WaitForAll();
    EXPECT_EQ(held.Delivered(), 1);
    EXPECT_EQ(held.BuffersLost(), 0);
}
