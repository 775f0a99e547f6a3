// ROzaverazo: sending and receiving over the connection. The receive loops poll the
// non-blocking socket; after a would-block they sleep on the message queue until Winsock's next
// notification (or a tick, or input) arrives, then pump and check Canceled.
#include <algorithm>
#include <cstring>
#include <optional>

#include "net/socket/FileStream.h"
#include "net/socket/NotifyWindows.h"
#include "net/socket/SocketComponent.h"
#include "net/socket/TlsSession.h"

namespace net {

void ROzaverazo::SendBuffer(const char* data, std::uint16_t length) {
    StatusMessage(4, "Sending Buffer");
    TimerOn();
    {
        TimerScope off(*this);
        SendScope owner(*this);
        if (!Canceled) {
            if (length == 0) {
                const std::size_t text = std::strlen(data);
                if (text > 0xFFFF) throw ERangeError();
                length = static_cast<std::uint16_t>(text);
            }
            int remaining = length;
            while (remaining > 0 && !Canceled) {
                const int n = SendSome(data + (length - remaining), remaining);
                if (n == 0) break;
                if (n > 0) {
                    remaining -= n;
                    NoteActivity();
                    continue;
                }
                std::string text;
                CheckSocketError(WSAEWOULDBLOCK, text);
                // The peer is not reading: wait for room instead of spinning, and let a Cancel
                // or the time-out reach us, or nothing could ever end this loop.
                WaitWritable();
                PumpMessages();
            }
        }
    }
    if (Canceled) {
        Canceled = false;
        throw EAbortError("Socket send aborted");
    }
}

void ROzaverazo::Write(const std::string& text) {
    StatusMessage(8, "Write");
    const std::size_t length = std::min<std::size_t>(text.size(), TransferBufferSize);
    std::memcpy(TransferBuffer, text.data(), length);
    TransferBuffer[length] = '\0';
    // Bytes from an embedded NUL on are not sent; SendBuffer counts only up to 65535.
    if (std::strlen(TransferBuffer) > 0xFFFF) throw ERangeError();
    SendBuffer(TransferBuffer, 0);
}

void ROzaverazo::Writeln(const std::string& text) {
    StatusMessage(8, "Writeln");
    Write(text + "\r\n");
}

void ROzaverazo::CheckCloseError() {
    if (CloseError == 0) return;
    const int error = CloseError;
    CloseError = 0;
    LastErrorNumber_ = error;
    std::string text;
    ErrorText(error, text);
    // Reported like every other socket error before it is raised.
    if (OnSocketError) OnSocketError(this, static_cast<std::uint16_t>(error), text);
    throw ESockError(SockErrorKind::SocketCall, text, error);
}

void ROzaverazo::AppendLine(std::string& line, int count) {
    if (line.size() + static_cast<std::size_t>(count) > MaxLineLength)
        throw ESockError(SockErrorKind::Refused, "Line too long");
    const int n = Receive(TransferBuffer, count);
    if (n > 0) line.append(TransferBuffer, static_cast<std::size_t>(n));
}

void ROzaverazo::ReadLn(std::string& line) {
    StatusMessage(8, "ReadLn");
    line.clear();
    TimerOn();
    TimerScope off(*this);
    int lineEnd = -1;
    for (;;) {
        const int n = Receive(TransferBuffer, TransferBufferSize, true);
        if (n == 0) {
            line.clear();  // the peer closed: a partial line is not a line
            CheckCloseError();
            return;
        }
        if (n < 0) {
            LastErrorNumber_ = WSAGetLastError();
            if (LastErrorNumber_ == WSAENOTCONN) {
                if (Canceled) break;
                line.clear();
                CheckCloseError();
                return;
            }
            std::string text;
            CheckSocketError(WSAEWOULDBLOCK, text);
            WaitForSocket();
        } else if (const void* lf = std::memchr(TransferBuffer, '\n', static_cast<std::size_t>(n))) {
            lineEnd = static_cast<int>(static_cast<const char*>(lf) - TransferBuffer);
            break;
        } else {
            AppendLine(line, n);
            NoteActivity();
        }
        PumpAfterChunk(n > 0);
        if (Canceled) break;
    }
    if (Canceled) {
        Canceled = false;
        throw EAbortError("Socket readln aborted");
    }
    AppendLine(line, lineEnd + 1);
}

std::string ROzaverazo::Transaction(const std::string& command) {
    StatusMessage(8, "Transaction");
    ReplyCode = 0;
    Writeln(command);
    std::string reply;
    ReadLn(reply);
    LastReply_ = reply;
    if (!LastReply_.empty()) {
        StatusMessage(1, LastReply_);
        long long value = 0;
        std::size_t digits = 0;
        while (digits < LastReply_.size() && digits < 10 && LastReply_[digits] >= '0' && LastReply_[digits] <= '9') {
            value = value * 10 + (LastReply_[digits] - '0');
            ++digits;
        }
        if (digits > 0) {
            if (value > 32767) throw ERangeError();
            ReplyCode = static_cast<int>(value);
        }
    }
    return LastReply_;
}

void ROzaverazo::SendFile(const std::string& fileName) {
    StatusMessage(8, "SendFile");
    FileStream file(fileName, FileStream::Mode::Read);
    // An upload to a peer that stops reading would otherwise wait for ever.
    TimerOn();
    TimerScope off(*this);
    SendScope owner(*this);
    while (!Canceled) {
        const DWORD chunk = file.Read(TransferBuffer, TransferBufferSize);
        if (chunk == 0) break;
        DWORD sent = 0;
        while (sent < chunk && !Canceled) {
            const int n = SendSome(TransferBuffer + sent, static_cast<int>(chunk - sent));
            if (n == 0) break;
            if (n > 0) {
                sent += static_cast<DWORD>(n);
                BytesSent += n;
                NoteActivity();
                if (OnPacketSent) OnPacketSent(this);
            } else {
                std::string text;
                CheckSocketError(WSAEWOULDBLOCK, text);
                WaitWritable();
            }
            PumpAfterChunk(n > 0);
        }
    }
    file.Close();
    if (Canceled) {
        Canceled = false;
        throw EAbortError("Socket send aborted");
    }
}

ROzaverazo::ReadNoticeScope::ReadNoticeScope(ROzaverazo& owner) : owner_(owner), socket_(owner.SocketHandle) {}

ROzaverazo::ReadNoticeScope::~ReadNoticeScope() {
    if (!readNotices_) Register(SocketNotifyEvents);
}

void ROzaverazo::ReadNoticeScope::DataFlows() {
    if (!readNotices_) return;
    readNotices_ = false;
    Register(SocketNotifyEvents & ~FD_READ);
}

void ROzaverazo::ReadNoticeScope::AboutToSleep() {
    if (readNotices_) return;
    readNotices_ = true;
    Register(SocketNotifyEvents);
}

void ROzaverazo::ReadNoticeScope::Register(long events) noexcept {
    // A close notice may have replaced the socket meanwhile; the fresh one has its own
    // registration, complete.
    if (owner_.SocketHandle == socket_) WSAAsyncSelect(socket_, owner_.NotifyWindow, SocketEventMessage, events);
}

void ROzaverazo::ReceiveUntilClosed(CaptureSink& sink) {
    ReadNoticeScope notices(*this);
    if (CaptureObserver) CaptureObserver->CaptureStarts();
    while (!Canceled && !sink.Full() && (CaptureEnd < 0 || BytesReceived < CaptureEnd)) {
        char* const room = sink.Room();
        const int n = Receive(room, TransferBufferSize);
        if (n > 0) {
            if (CaptureObserver) CaptureObserver->Received(room, static_cast<std::size_t>(n));
            sink.Take(n);
            BytesReceived += n;
            if (OnPacketRecvd) OnPacketRecvd(this);
            NoteActivity();
            notices.DataFlows();
        } else if (n == 0) {
            CheckCloseError();
            break;
        } else {
            LastErrorNumber_ = WSAGetLastError();
            if (LastErrorNumber_ == WSAENOTCONN && !Canceled) CheckCloseError();
            if (LastErrorNumber_ == WSAENOTCONN) break;
            std::string text;
            CheckSocketError(WSAEWOULDBLOCK, text);
            sink.RunDry();
            notices.AboutToSleep();
            WaitForSocket();
        }
        PumpAfterChunk(n > 0);
    }
}

void ROzaverazo::CaptureFile(const std::string& fileName, bool append, HANDLE held) {
    StatusMessage(8, "CaptureFile");
    BytesReceived = 0;
    TimerOn();
    TimerScope off(*this);
    const FileStream::Mode mode = append ? FileStream::Mode::Append : FileStream::Mode::Create;
    std::optional<FileStream> opened;
    if (held == INVALID_HANDLE_VALUE) opened.emplace(fileName, mode);
    else opened.emplace(held, fileName, mode);
    FileStream& file = *opened;
    // The receive lands in the file's write-behind block; a dry socket is a good moment to
    // write the block out, while the peer refills.
    class FileSink final : public CaptureSink {
    public:
        explicit FileSink(FileStream& file) : file_(file) {}
        char* Room() override { return file_.Reserve(TransferBufferSize); }
        void Take(int count) override { file_.Commit(static_cast<DWORD>(count)); }
        void RunDry() override { file_.Flush(); }

    private:
        FileStream& file_;
    } sink(file);
    ReceiveUntilClosed(sink);
    file.Close();
    if (Canceled) {
        Canceled = false;
        throw EAbortError("Socket send aborted");
    }
}

void ROzaverazo::CaptureString(std::string& text, int maximum) {
    StatusMessage(8, "Capture String");
    text.clear();
    BytesReceived = 0;
    TimerOn();
    TimerScope off(*this);
    // The maximum is tested before each receive, so a capture may end up to one chunk past it.
    class StringSink final : public CaptureSink {
    public:
        StringSink(std::string& text, int maximum, char* buffer) : text_(text), maximum_(maximum), buffer_(buffer) {}
        char* Room() override { return buffer_; }
        void Take(int count) override { text_.append(buffer_, static_cast<std::size_t>(count)); }
        bool Full() const override { return maximum_ != -1 && text_.size() >= static_cast<std::size_t>(maximum_); }

    private:
        std::string& text_;
        int maximum_;
        char* buffer_;
    } sink(text, maximum, TransferBuffer);
    ReceiveUntilClosed(sink);
    if (Canceled) {
        Canceled = false;
        throw EAbortError("Socket capture aborted");
    }
}

bool ROzaverazo::DataAvailable() {
    StatusMessage(8, "Data Available");
    // Over TLS, records already read from the socket count too.
    if (Tls && Tls->HasPending()) return true;
    // Its own byte: a close notice asks this while a send may own TransferBuffer.
    char peeked = 0;
    return recv(SocketHandle, &peeked, 1, MSG_PEEK) >= 1;
}

SOCKET ROzaverazo::Accept() {
    StatusMessage(4, "Accepting");
    sockaddr_in peer{};
    SOCKET accepted = INVALID_SOCKET;
    for (;;) {
        // A connection that came before the call is taken at once; otherwise the accept notice
        // (or a cancel) ends the wait. Winsock posts the notice again while more are queued.
        AcceptReady = false;
        int size = sizeof peer;
        accepted = accept(SocketHandle, reinterpret_cast<sockaddr*>(&peer), &size);
        if (accepted != INVALID_SOCKET) break;
        if (WSAGetLastError() != WSAEWOULDBLOCK) {
            LastErrorNumber_ = WSAGetLastError();
            std::string text;
            ErrorText(LastErrorNumber_, text);
            if (OnSocketError) OnSocketError(this, static_cast<std::uint16_t>(LastErrorNumber_), text);
            throw ESockError(SockErrorKind::SocketCall, "Error creating Data Connection", LastErrorNumber_);
        }
        WaitUntil([this] { return AcceptReady || Canceled; });
        if (Canceled) {
            Canceled = false;
            throw ESockError(SockErrorKind::ConnectCanceled, "Accepting Canceled");
        }
    }
    // The accepted connection becomes the component's own, so that its notices reach it and
    // the transfers work on it; the listening socket is done with.
    const SOCKET listener = SocketHandle;
    SocketHandle = accepted;
    closesocket(listener);
    WSAAsyncSelect(accepted, NotifyWindow, SocketEventMessage, SocketNotifyEvents);
    RemoteAddress = peer;
    CloseError = 0;
    Connected_ = true;
    return accepted;
}

}  // namespace net
