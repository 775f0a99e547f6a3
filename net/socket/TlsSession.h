#pragma once
// TTlsSession: the client side of one TLS connection through Schannel, without any I/O of its
// own. The socket component reads the peer's bytes into RawRoom/RawTaken and sends what the
// session hands back, with its own waits; the session runs the handshake, checks the server's
// certificate, encrypts what goes out and decrypts what comes in.
//
//     TTlsSession tls(L"example.com");
//     send(tls.FirstToken());
//     while (!tls.Handshake(token)) { send(token); if (tls.NeedsData()) read into RawRoom/RawTaken; }
//     send(token); tls.CheckServerCertificate();
//     ... Read(...) / Seal(...)
#define SECURITY_WIN32
#include <winsock2.h>
#include <windows.h>
#include <security.h>

#include <memory>
#include <string>
#include <vector>

#include "net/socket/CertificateCheck.h"

namespace net {

class TTlsSession {
public:
    // Acquires client credentials for TLS 1.2 and 1.3 only; throws ESockError when Schannel
    // offers neither.
    explicit TTlsSession(std::wstring serverName);
    ~TTlsSession();
    TTlsSession(const TTlsSession&) = delete;
    TTlsSession& operator=(const TTlsSession&) = delete;

    // The ClientHello (with the server name) to send first.
    std::string FirstToken();
    // Feeds the bytes received so far to the handshake. Returns true once it is complete;
    // `token` receives what must be sent now (possibly empty). Throws ESockError on failure.
    bool Handshake(std::string& token);
    // Whether the session can go no further without more bytes from the peer.
    bool NeedsData() const { return needsData_; }

    // Raises ESockError saying why when the server's certificate is not trusted for the name;
    // tells whether its revocation could be checked.
    TRevocation CheckServerCertificate();

    // Room for bytes from the socket, at least a few KiB; RawTaken then counts what arrived.
    char* RawRoom(int& size);
    void RawTaken(int count) { rawEnd_ += static_cast<std::size_t>(count); }
    // The peer's bytes that are not decrypted yet, and decrypted ones not read yet.
    bool HasPending() const { return plainSize_ > 0 || rawEnd_ > rawBegin_; }

    // Copies up to `length` decrypted bytes to `buffer`, decrypting the records already
    // received (several, unless peeking). Returns the count; 0 when the next record is still
    // incomplete (NeedsData) or the peer has ended the session (Finished).
    int Read(char* buffer, int length, bool peek);
    // The peer sent its close notice: nothing more will come.
    bool Finished() const { return finished_; }
    // Bytes of a record are left without the rest of it.
    bool InsideRecord() const { return rawEnd_ > rawBegin_; }

    // Appends the records that carry `length` bytes of data to `out`.
    void Seal(const char* data, int length, std::string& out);
    // The most data one record carries.
    int MaxMessage() const { return static_cast<int>(sizes_.cbMaximumMessage); }

private:
    bool Step(std::string& token);
    // Refuses a session concluded with a protocol older than TLS 1.2.
    void CheckProtocol();
    bool DecryptNext();
    // Feeds the handshake what follows a post-handshake message (possibly nothing); true once
    // it is content and records can be decrypted again.
    bool Renegotiate();
    void Compact();

    std::wstring serverName_;
    CredHandle credentials_{};
    CtxtHandle context_{};
    bool haveContext_ = false;
    bool needsData_ = false;
    bool answered_ = false;  // the server's first bytes have been judged
    bool finished_ = false;
    bool renegotiating_ = false;
    bool tls13_ = false;
    SecPkgContext_StreamSizes sizes_{};

    // The peer's bytes: [rawBegin_, rawEnd_) not decrypted yet. A decrypted record's data stays
    // in place in the buffer: [plain_, plain_ + plainSize_) not read yet.
    std::vector<char> raw_;
    std::size_t rawBegin_ = 0;
    std::size_t rawEnd_ = 0;
    char* plain_ = nullptr;
    std::size_t plainSize_ = 0;
};

}  // namespace net
