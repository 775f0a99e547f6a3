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

class TTlsSession;

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
    // append: the body continues the file (a resumed download) instead of replacing it.
    // held: the file, kept open by the caller, to write through instead of opening fileName.
    void CaptureFile(const std::string& fileName, bool append = false, HANDLE held = INVALID_HANDLE_VALUE);
    void CaptureString(std::string& text, int maximum);
    bool DataAvailable();

    // TLS (SocketTls.cpp). Once the TCP connection is up (directly, or through a proxy's
    // tunnel), StartTls runs the handshake with `serverName` (sent as SNI, and the name the
    // certificate must carry) and checks the certificate; from then on every transfer of this
    // connection goes through TLS. The next Connect starts plain again.
    void StartTls(const std::string& serverName);
    bool Secure() const { return Tls != nullptr; }
    // The peer closed the connection without its TLS close notice, at a record boundary: data
    // may have been cut short by someone in between. Only a caller that knows the length it
    // expects can tell; a close inside a record is raised as an error at once.
    bool SecureEndMissing() const { return SecureEndMissing_; }

    // Delivers text to OnStatus when level is not above ReportLevel. Never throws.
    void StatusMessage(std::uint8_t level, const std::string& text) noexcept;

    // Called by the notification window for every message numbered 1125 or above. Never throws.
    void HandleNotification(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    // Stored settings.
    std::string Host;
    int Port = 0;     // low 16 bits used
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
    // A fact about the connection's security that does not stop it, as one line for a log: the
    // revocation of the server's certificate could not be checked.
    TOnStatus OnSecurityNotice;
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
    // TimeOut bounds each wait for data, never a whole transfer: TimerOn arms it, NoteActivity
    // (cheap, called for every chunk that moves) pushes the deadline back, and a tick that
    // finds data moved since re-arms for the rest of the period instead of timing out.
    void TimerOn();
    void TimerOff();
    void NoteActivity() { LastActivity = GetTickCount64(); }
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

    // The one seam of every transfer: recv and send on the plain socket, or through TLS once
    // StartTls has run. A send over TLS that would block keeps its records and returns the
    // would-block; the caller's retry with the same data sends them and counts the data then.
    int Receive(char* buffer, int length, bool peek = false) {
        return Tls ? ReceiveSecure(buffer, length, peek) : recv(SocketHandle, buffer, length, peek ? MSG_PEEK : 0);
    }
    int SendSome(const char* data, int length) {
        return Tls ? SendSecure(data, length) : send(SocketHandle, data, length, 0);
    }

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

    // Marks a send in progress. A close notice handled in the send's pumps must neither close
    // the socket under it (the rest would go to a fresh, unconnected socket, and what is still
    // buffered would be thrown away by the reset of our close) nor peek into the chunk it is
    // sending. The notice keeps only its error: the next read finds the peer's close itself,
    // and Disconnect closes the socket.
    class SendScope {
    public:
        explicit SendScope(ROzaverazo& owner) : owner_(owner) { owner_.Sending = true; }
        ~SendScope() { owner_.Sending = false; }
        SendScope(const SendScope&) = delete;
        SendScope& operator=(const SendScope&) = delete;

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
    bool Sending = false;
    // Set by the accept notice, lowered by Accept when it takes a connection.
    bool AcceptReady = false;
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
    int ReceiveSecure(char* buffer, int length, bool peek);
    int SendSecure(const char* data, int length);
    // The handshake's own transfers, with the live waits; they raise on close, cancel, time-out.
    void SendHandshake(const std::string& token);
    void ReceiveHandshake(TTlsSession& session);
    [[noreturn]] void RaiseTlsAbort();
    // Ends the TLS session (before a new connection or a new handshake), and forgets how it ended.
    void DropTls() noexcept;

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
    ULONGLONG LastActivity = 0;
    std::vector<std::pair<HANDLE, std::unique_ptr<char[]>>> AbandonedLookups;

    std::unique_ptr<TTlsSession> Tls;
    // Set when the socket of the TLS session was closed (a close notice, Disconnect): the
    // session's buffered data is still read, then the end is reported.
    bool TlsSocketClosed = false;
    bool SecureEndMissing_ = false;
    // Records sealed for a send that would block, and the data count they carry.
    std::string TlsOutgoing;
    std::size_t TlsOutgoingSent = 0;
    int TlsOutgoingCount = 0;
};

}  // namespace net
