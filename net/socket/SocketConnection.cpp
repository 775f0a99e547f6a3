// ROzaverazo: host resolution, connection, cancel, the time-out timer and the waits.
#include <algorithm>
#include <cstring>

#include "net/socket/HostLookupStart.h"
#include "net/socket/NotifyWindows.h"
#include "net/socket/SocketComponent.h"
#include "net/socket/TlsSession.h"
#include "net/socket/MessagePump.h"

namespace net {
namespace {

// Longest block on the queue between two polls. Every event that ends a wait is a window message
// and wakes the wait at once; the cap only bounds a missed wake-up.
constexpr DWORD kWaitCap = 50;
// Longest time between two pumps while data flows without a pause.
constexpr ULONGLONG kPumpInterval = 10;

THostLookupStart g_hostLookupStart = WSAAsyncGetHostByName;

}  // namespace

THostLookupStart SetHostLookupStart(THostLookupStart start) noexcept {
    const THostLookupStart previous = g_hostLookupStart;
    g_hostLookupStart = start ? start : WSAAsyncGetHostByName;
    return previous;
}

void ROzaverazo::PumpMessages() {
    MessagePump().ProcessMessages();
    LastPump = GetTickCount64();
}

void ROzaverazo::PumpAfterChunk(bool gotData) {
    if (gotData && GetTickCount64() - LastPump < kPumpInterval) return;
    PumpMessages();
}

void ROzaverazo::WaitForSocket() { MessagePump().WaitForMessage(kWaitCap); }

void ROzaverazo::WaitWritable() {
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(SocketHandle, &writable);
    timeval cap{0, 20000};
    select(0, nullptr, &writable, nullptr, &cap);
}

void ROzaverazo::WaitUntil(const std::function<bool()>& done) {
    for (;;) {
        PumpMessages();
        if (done()) return;
        MessagePump().WaitForMessage(kWaitCap);
    }
}

void ROzaverazo::TimerOn() {
    StatusMessage(8, "Timer On");
    TimedOut = false;
    if (TimeOut < 0) throw ERangeError();
    NoteActivity();
    TimeoutTimer->SetInterval(static_cast<DWORD>(TimeOut));
    TimeoutTimer->SetEnabled(true);
}

void ROzaverazo::TimerOff() {
    StatusMessage(8, "Timer Off");
    TimeoutTimer->SetEnabled(false);
}

void ROzaverazo::TimerFired(void*) {
    const ULONGLONG quiet = GetTickCount64() - LastActivity;
    if (TimeOut > 0 && quiet < static_cast<ULONGLONG>(TimeOut)) {
        // Data moved during the period: wait only what is left of the silence allowed.
        TimeoutTimer->SetInterval(static_cast<DWORD>(TimeOut - quiet));
        return;
    }
    StatusMessage(8, "Timer Triggered");
    TimerOff();
    TimedOut = true;
    WaitGate = true;
    Abort();
}

void ROzaverazo::Cancel() {
    StatusMessage(8, "Canceling");
    Canceled = true;
}

void ROzaverazo::Abort() {
    StatusMessage(8, "Abort");
    Cancel();
}

void ROzaverazo::Disconnect() {
    StatusMessage(8, "Disconnecting");
    RequestCloseSocket();
}

void ROzaverazo::StartLookup(const char* name) {
    if (LookupTask) {
        // The previous lookup never completed: leave its buffer to it.
        AbandonedLookups.emplace_back(LookupTask, std::move(HostEntryBuffer));
        HostEntryBuffer = std::make_unique<char[]>(HostEntryBufferSize);
        LookupTask = nullptr;
    }
    LookupTask = g_hostLookupStart(NotifyWindow, LookupDoneMessage, name, HostEntryBuffer.get(), HostEntryBufferSize);
    if (!LookupTask) {
        // No completion will ever come; fail the lookup rather than wait for it.
        EventSucceeded = false;
        WaitGate = true;
    }
}

void ROzaverazo::LookupCompleted(HANDLE task) noexcept {
    if (task == LookupTask) {
        LookupTask = nullptr;
        return;
    }
    std::erase_if(AbandonedLookups, [task](const auto& entry) { return entry.first == task; });
}

void ROzaverazo::ReleaseLookupBuffers() noexcept {
    // Buffers that Winsock may still write into are left allocated on purpose.
    if (LookupTask) (void)HostEntryBuffer.release();
    for (auto& entry : AbandonedLookups) (void)entry.second.release();
    AbandonedLookups.clear();
}

void ROzaverazo::ResolveHost() {
    StatusMessage(8, "Resolve Host");
    const std::string& name = Proxy.empty() ? Host : Proxy;
    const std::size_t length = std::min<std::size_t>(name.size(), TransferBufferSize);
    std::memcpy(TransferBuffer, name.data(), length);
    TransferBuffer[length] = '\0';
    const unsigned long address = inet_addr(TransferBuffer);
    if (address != INADDR_NONE) {
        RemoteAddress.sin_addr.s_addr = address;
        return;
    }
    RemoteAddress.sin_addr.s_addr = 0;
    TimerOn();
    {
        TimerScope off(*this);
        WaitGate = false;
        StartLookup(TransferBuffer);
        WaitUntil([this] { return WaitGate || TimedOut || Canceled; });
    }
    if (TimedOut) throw ESockError("Host Lookup Timed Out");
    if (Canceled) throw ESockError("Host Lookup Canceled");
    if (!EventSucceeded) throw ESockError("Host Lookup Failed");
    FinishLookup();
}

void ROzaverazo::FinishLookup() {
    const auto* entry = reinterpret_cast<const hostent*>(HostEntryBuffer.get());
    if (entry->h_addr_list && entry->h_addr_list[0]) {
        std::memcpy(&RemoteAddress.sin_addr.s_addr, entry->h_addr_list[0], 4);
    }
    if (OnHostResolved) OnHostResolved(this);
}

void ROzaverazo::Connect() {
    StatusMessage(8, "Connecting");
    Canceled = false;
    CloseError = 0;
    if (Connected_) throw ESockError("Already connected");
    DropTls();
    for (int retries = 0;; ++retries) {
        try {
            ResolveHost();
        } catch (const ESockError& error) {
            const std::string message = error.what();
            if (message == "Host Lookup Timed Out" || message == "Host Lookup Canceled") throw;
        }
        if (RemoteAddress.sin_addr.s_addr != 0) break;
        if (retries > 0 || !OnInvalidHost) throw ESockError("Null Remote Address");
        bool handled = false;
        OnInvalidHost(handled);
        if (!handled) throw ESockError("Null Remote Address");
    }
    ConnectAddress();
}

void ROzaverazo::ConnectAddress() {
    RemoteAddress.sin_family = AF_INET;
    const int port = Proxy.empty() ? Port : ProxyPort;
    RemoteAddress.sin_port = htons(static_cast<u_short>(port & 0xFFFF));
    WaitGate = false;
    EventSucceeded = true;
    ConnectDone = false;
    // Armed first: a TimeOut out of range fails before a connection is under way.
    TimerOn();
    {
        TimerScope off(*this);
        if (connect(SocketHandle, reinterpret_cast<const sockaddr*>(&RemoteAddress), sizeof RemoteAddress) ==
            SOCKET_ERROR) {
            std::string text;
            CheckSocketError(WSAEWOULDBLOCK, text);
        }
        WaitUntil([this] { return ConnectDone || TimedOut || Canceled || !EventSucceeded; });
    }
    if (!TimedOut && !Canceled && ConnectDone) return;
    if (OnConnectionFailed) OnConnectionFailed(this);
    if (TimedOut) throw ESockError("Connection Timed out");
    if (Canceled) throw ESockError("Connection Canceled");
    throw ESockError("Connection Failed");
}

}  // namespace net
