#pragma once
// ROzaverazo: a TCP client component with blocking-style operations for a single-threaded GUI
// program. The socket is non-blocking; Winsock posts its notifications to a hidden window, and
// every operation that has to wait pumps the application's queue on the caller's thread until a
// flag set by a notification, the time-out timer or a cancel request ends the wait.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/socket/SocketErrors.h"
#include "net/socket/SocketEvents.h"
#include "net/socket/ThreadTimer.h"

namespace net {

// Sees what a capture receives, each block before it is stored, so that a download can be
// checked while it arrives instead of read again afterwards. Either call may raise to end the
// capture; CaptureStarts comes before the first receive.
class TCaptureObserver {
public:
    virtual void CaptureStarts() = 0;
    virtual void Received(const char* data, std::size_t size) = 0;

protected:
    ~TCaptureObserver() = default;
};

class ROzaverazo {
public:
    static constexpr int TransferBufferSize = 65536;
    static constexpr int HostEntryBufferSize = 1024;
    // A line longer than this is refused by ReadLn rather than grown without bound.
    static constexpr std::size_t MaxLineLength = 65536;

    ROzaverazo();
    virtual ~ROzaverazo();
    ROzaverazo(const ROzaverazo&) = delete;
    ROzaverazo& operator=(const ROzaverazo&) = delete;

    // Connection (SocketConnection.cpp).
    virtual void Connect();
    virtual void Disconnect();
    virtual void Abort();
    void Cancel();

    // Transfers (SocketTransfers.cpp).
    virtual SOCKET Accept();
    virtual std::string Transaction(const std::string& command);
    void SendBuffer(const char* data, std::uint16_t length);
    void Write(const std::string& text);
    void Writeln(const std::string& text);
    void ReadLn(std::string& line);
    void SendFile(const std::string& fileName);
    void CaptureFile(const std::string& fileName);
    void CaptureString(std::string& text, int maximum);
    bool DataAvailable();

    // Delivers text to OnStatus when level is not above ReportLevel. Never throws.
    void StatusMessage(std::uint8_t level, const std::string& text) noexcept;

    // Called by the notification window for every message numbered 1125 or above. Never throws.
    void HandleNotification(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    // Stored settings.
    std::string Host;
    int Port = 0;  // low 16 bits used
    int TimeOut = 0;  // milliseconds; 0 = wait without limit
    int ReportLevel = 0;
    std::string Proxy;  // when set, resolved and connected instead of Host
    int ProxyPort = 0;

    TNotifyEvent OnDisconnect;
    TNotifyEvent OnConnect;
    THandlerEvent OnInvalidHost;
    TOnHostResolved OnHostResolved;
    TOnStatus OnStatus;
    TNotifyEvent OnConnectionFailed;
    TNotifyEvent OnPacketRecvd;
    TNotifyEvent OnPacketSent;
    TNotifyEvent OnDataArrival;
    TNotifyEvent OnAcceptReady;
    TSocketErrorEvent OnSocketError;
    // Optional; not owned. Called by CaptureFile and CaptureString.
    TCaptureObserver* CaptureObserver = nullptr;

    // Counters, 64-bit so that a body over 2 GiB counts right.
    std::int64_t BytesExpected = 0;
    std::int64_t BytesReceived = 0;
    std::int64_t BytesSent = 0;
    int ReplyCode = 0;

    const std::string& LastReply() const { return LastReply_; }
    const std::string& LastStatus() const { return LastStatus_; }
    int LastErrorNumber() const { return LastErrorNumber_; }
    const std::vector<std::string>& WinsockInfo() const { return WinsockInfo_; }
    bool Connected() const { return Connected_; }

    // Number of live components that hold the socket library started.
    static int WinsockUserCount();

protected:
    void ResolveHost();
    void RequestCloseSocket();
    void TimerOn();
    void TimerOff();
    void TimerFired(void* sender);
    void InitWinsock();
    // Raises the text of the last socket error unless it is `expected` or 10000 or below.
    void CheckSocketError(int expected, std::string& text);
    void ErrorText(int number, std::string& text);

    // Waits pump the application's whole queue and check their flags after each pump, but block
    // on the queue between polls so that a stalled wait does not burn a core.
    void WaitUntil(const std::function<bool()>& done);
    void PumpMessages();
    // Pumps after a socket call. While data keeps flowing it pumps at most every few
    // milliseconds: under Wine a pump polls the display connection and costs as much as the
    // receive itself, and a UI lives happily on a hundred pumps a second.
    void PumpAfterChunk(bool gotData);
    // After a would-block receive: returns when a message (FD_READ, FD_CLOSE, a tick, input)
    // is queued, or after a short cap.
    void WaitForSocket();
    // After a would-block send (FD_WRITE is not requested): until the socket is writable or a cap.
    void WaitWritable();

    // Turns the time-out timer off when the operation ends, however it ends.
    class TimerScope {
    public:
        explicit TimerScope(ROzaverazo& owner) : owner_(owner) {}
        ~TimerScope() { owner_.TimerOff(); }
        TimerScope(const TimerScope&) = delete;
        TimerScope& operator=(const TimerScope&) = delete;

    private:
        ROzaverazo& owner_;
    };

    // While a capture drains the socket, Winsock would post a read notice after every receive,
    // and under Wine queueing and pumping those thousands of notices costs as much as the file
    // writes. A capture leaves FD_READ out of the registration while data flows and puts it back
    // only to sleep until the next data comes (registering posts it at once if data is already
    // there, so no wake-up is lost). The full registration is back when the capture ends.
    class ReadNoticeScope {
    public:
        explicit ReadNoticeScope(ROzaverazo& owner);
        ~ReadNoticeScope();
        ReadNoticeScope(const ReadNoticeScope&) = delete;
        ReadNoticeScope& operator=(const ReadNoticeScope&) = delete;
        void DataFlows();
        void AboutToSleep();

    private:
        void Register(long events) noexcept;

        ROzaverazo& owner_;
        SOCKET socket_;
        bool readNotices_ = true;
    };

    char TransferBuffer[TransferBufferSize + 1] = {};
    std::unique_ptr<char[]> HostEntryBuffer;
    sockaddr_in RemoteAddress{};
    SOCKET SocketHandle = INVALID_SOCKET;
    HWND NotifyWindow = nullptr;
    std::unique_ptr<TThreadTimer> TimeoutTimer;

    bool Canceled = false;
    bool ShuttingDown = false;
    bool EventSucceeded = false;
    bool TimedOut = false;
    bool WaitGate = false;
    bool Connected_ = false;
    // Set when the connection of the running Connect was established. Connect waits for this
    // rather than for Connected: a peer that accepts and closes at once has its FD_CONNECT and
    // FD_CLOSE handled in one pump, and Connected is false again when the wait looks.
    bool ConnectDone = false;
    bool Destroying = false;
    // The error a close notice carried (a reset, an abort), 0 for a graceful close. The notice
    // closes the socket, so the readers that then find it closed raise this error rather than
    // take a cut body or line for a whole one.
    int CloseError = 0;
    int LastEventError = 0;
    // When not negative, a capture ends once BytesReceived reaches it instead of waiting for
    // the peer to close: a proxy keeps the connection open after a body of known length.
    std::int64_t CaptureEnd = -1;

    std::string LastReply_;
    int LastErrorNumber_ = 0;
    std::string LastStatus_;
    std::vector<std::string> WinsockInfo_;
    WSADATA WinsockData{};

private:
    SOCKET OpenSocket(bool linger);
    void DropQueuedNotifications();
    void StartLookup(const char* name);
    void FinishLookup();
    void LookupCompleted(HANDLE task) noexcept;
    void ReleaseLookupBuffers() noexcept;
    void ConnectAddress();
    void SocketEvent(WORD event);
    void AppendLine(std::string& line, int count);

    // Where a capture puts what it receives: room for the next chunk, the chunk taken, the
    // socket run dry for the moment; Full ends the capture before the next receive.
    class CaptureSink {
    public:
        virtual char* Room() = 0;
        virtual void Take(int count) = 0;
        virtual void RunDry() {}
        virtual bool Full() const { return false; }

    protected:
        ~CaptureSink() = default;
    };
    // The receive loop of both captures: until the peer closes, the sink is full or Canceled.
    // The caller resets the count, runs the timer and raises the abort with its own text.
    void ReceiveUntilClosed(CaptureSink& sink);
    // Raises the error of a connection that ended with a reset; nothing after a graceful close.
    void CheckCloseError();

    // The lookup in flight. Winsock writes the host entry into the buffer from another thread
    // until it posts the completion, so the buffer of an abandoned lookup (time-out, cancel) is
    // kept until its completion arrives, and never freed while it may still be written.
    HANDLE LookupTask = nullptr;
    ULONGLONG LastPump = 0;
    std::vector<std::pair<HANDLE, std::unique_ptr<char[]>>> AbandonedLookups;
};

}  // namespace net
