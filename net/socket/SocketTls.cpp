// ROzaverazo over TLS: the handshake on the connected socket with the component's live waits, and
// the secure side of the transfer seam (Receive, SendSome).
#include <algorithm>

#include "encoding/TextEncoding.h"
#include "net/socket/SocketComponent.h"
#include "net/socket/TlsSession.h"

namespace net {
namespace {

constexpr char kClosedInHandshake[] = "Secure connection failed: the server closed the connection during the handshake";
constexpr char kClosedInRecord[] =
    "Secure connection failed: the server closed the connection in the middle of a record";

}  // namespace

void ROzaverazo::RaiseTlsAbort() {
    Canceled = false;
    throw EAbortError(TimedOut ? "Secure connection timed out" : "Secure connection aborted");
}

void ROzaverazo::SendHandshake(const std::string& token) {
    std::size_t sent = 0;
    while (sent < token.size()) {
        const int n = send(SocketHandle, token.data() + sent, static_cast<int>(token.size() - sent), 0);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        std::string text;
        CheckSocketError(WSAEWOULDBLOCK, text);
        WaitWritable();
        PumpMessages();
        if (Canceled) RaiseTlsAbort();
    }
}

void ROzaverazo::ReceiveHandshake(TTlsSession& session) {
    for (;;) {
        int room = 0;
        char* at = session.RawRoom(room);
        const int n = recv(SocketHandle, at, room, 0);
        if (n > 0) {
            session.RawTaken(n);
            TimerOn();
            return;
        }
        if (n == 0) {
            CheckCloseError();
            throw ESockError(kClosedInHandshake);
        }
        LastErrorNumber_ = WSAGetLastError();
        if (LastErrorNumber_ == WSAENOTCONN) {
            // A close notice has already replaced the socket.
            CheckCloseError();
            throw ESockError(kClosedInHandshake);
        }
        std::string text;
        CheckSocketError(WSAEWOULDBLOCK, text);
        WaitForSocket();
        PumpMessages();
        if (Canceled) RaiseTlsAbort();
    }
}

void ROzaverazo::StartTls(const std::string& serverName) {
    StatusMessage(8, "Starting TLS");
    DropTls();
    auto session = std::make_unique<TTlsSession>(encoding::WidenMessage(serverName));
    TimerOn();
    TimerScope off(*this);
    SendHandshake(session->FirstToken());
    std::string token;
    for (bool done = false; !done;) {
        if (session->NeedsData()) ReceiveHandshake(*session);
        done = session->Handshake(token);
        SendHandshake(token);
    }
    const TRevocation revocation = session->CheckServerCertificate();
    Tls = std::move(session);
    if (revocation == TRevocation::Unknown && OnSecurityNotice)
        OnSecurityNotice(this,
                         "The revocation of the certificate of " + serverName +
                             " could not be checked (no revocation list or responder named or reachable): going on");
}

void ROzaverazo::DropTls() noexcept {
    Tls.reset();
    // What the last session saw of its end says nothing of the next connection's.
    TlsSocketClosed = false;
    SecureEndMissing_ = false;
    TlsOutgoing.clear();
    TlsOutgoingSent = 0;
    TlsOutgoingCount = 0;
}

int ROzaverazo::ReceiveSecure(char* buffer, int length, bool peek) {
    for (;;) {
        const int n = Tls->Read(buffer, length, peek);
        if (n > 0) return n;
        if (Tls->Finished()) return 0;
        int got = 0;
        if (!TlsSocketClosed) {
            int room = 0;
            char* at = Tls->RawRoom(room);
            got = recv(SocketHandle, at, room, 0);
            if (got > 0) {
                Tls->RawTaken(got);
                continue;
            }
            if (got < 0) return got;  // would block, or the socket's own error: the caller's to judge
        }
        // The peer has closed. A reset is the caller's to raise; a cut record is an error here.
        if (CloseError != 0) return 0;
        if (Tls->InsideRecord()) throw ESockError(kClosedInRecord);
        SecureEndMissing_ = true;
        return 0;
    }
}

int ROzaverazo::SendSecure(const char* data, int length) {
    if (TlsOutgoing.empty()) {
        TlsOutgoingCount = std::min(length, Tls->MaxMessage());
        Tls->Seal(data, TlsOutgoingCount, TlsOutgoing);
        TlsOutgoingSent = 0;
    }
    while (TlsOutgoingSent < TlsOutgoing.size()) {
        const int n = send(SocketHandle, TlsOutgoing.data() + TlsOutgoingSent,
                           static_cast<int>(TlsOutgoing.size() - TlsOutgoingSent), 0);
        if (n <= 0) return n;
        TlsOutgoingSent += static_cast<std::size_t>(n);
    }
    TlsOutgoing.clear();
    return TlsOutgoingCount;
}

}  // namespace net
