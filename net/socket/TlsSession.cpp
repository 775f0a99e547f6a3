// TTlsSession: Schannel's handshake, record decryption and encryption over buffers the socket
// component fills and drains.
#include "net/socket/TlsSession.h"

// SCH_CREDENTIALS, the form that offers TLS 1.3, is declared only on request.
#define SCHANNEL_USE_BLACKLISTS
#include <subauth.h>
#include <schannel.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "net/socket/SocketErrors.h"

namespace net {
namespace {

constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;
// Several records at a time: fewer receives, and room for the largest record (16 KiB of data
// and its overhead) whatever is still waiting in front of it.
constexpr std::size_t kRawCapacity = 256 * 1024;
constexpr std::size_t kMinRoom = 32 * 1024;
// The record types a server may answer a hello with.
constexpr char kAlertRecord = 0x15;
constexpr char kHandshakeRecord = 0x16;
constexpr char kRenegotiationRefused[] = "Secure connection failed: the server asked to renegotiate the session";

std::string StatusText(SECURITY_STATUS status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(status));
    return text;
}

// Frees a buffer that Schannel allocated, on every path.
struct ContextBuffer {
    void* data = nullptr;
    ~ContextBuffer() {
        if (data) FreeContextBuffer(data);
    }
};

SECURITY_STATUS AcquireModern(CredHandle& handle) {
    // Windows 10 1809 and later take this form, the only one in which they offer TLS 1.3.
    TLS_PARAMETERS parameters{};
    parameters.grbitDisabledProtocols = static_cast<DWORD>(~(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT));
    SCH_CREDENTIALS credentials{};
    credentials.dwVersion = SCH_CREDENTIALS_VERSION;
    credentials.dwFlags = SCH_CRED_NO_DEFAULT_CREDS | SCH_CRED_MANUAL_CRED_VALIDATION;
    credentials.cTlsParameters = 1;
    credentials.pTlsParameters = &parameters;
    TimeStamp expiry{};
    return AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr,
                                     &credentials, nullptr, nullptr, &handle, &expiry);
}

SECURITY_STATUS AcquireClassic(CredHandle& handle, DWORD protocols) {
    SCHANNEL_CRED credentials{};
    credentials.dwVersion = SCHANNEL_CRED_VERSION;
    credentials.grbitEnabledProtocols = protocols;
    credentials.dwFlags = SCH_CRED_NO_DEFAULT_CREDS | SCH_CRED_MANUAL_CRED_VALIDATION;
    TimeStamp expiry{};
    return AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr,
                                     &credentials, nullptr, nullptr, &handle, &expiry);
}

[[noreturn]] void HandshakeFailed(SECURITY_STATUS status) {
    switch (status) {
    case SEC_E_ALGORITHM_MISMATCH:
    case SEC_E_UNSUPPORTED_FUNCTION:
        throw ESockError(SockErrorKind::Secure,
                         "Secure connection failed: the server offers neither TLS 1.2 nor TLS 1.3 with a cipher "
                         "Windows accepts");
    case SEC_E_ILLEGAL_MESSAGE:
    case SEC_E_INVALID_TOKEN:
        throw ESockError(SockErrorKind::Secure,
                         "Secure connection failed: the server's answer is not TLS (" + StatusText(status) + ")");
    default:
        throw ESockError(SockErrorKind::Secure,
                         "Secure connection failed: the TLS handshake was refused (" + StatusText(status) + ")");
    }
}

bool HasData(const SecBuffer (&buffers)[4]) {
    for (const SecBuffer& buffer : buffers)
        if (buffer.BufferType == SECBUFFER_DATA && buffer.cbBuffer > 0) return true;
    return false;
}

}  // namespace

TTlsSession::TTlsSession(std::wstring serverName) : serverName_(std::move(serverName)), raw_(kRawCapacity) {
    // Older Windows (and Wine) refuse the modern form or TLS 1.3: TLS 1.2 alone is the floor.
    SECURITY_STATUS status = AcquireModern(credentials_);
    if (status != SEC_E_OK) status = AcquireClassic(credentials_, SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT);
    if (status != SEC_E_OK) status = AcquireClassic(credentials_, SP_PROT_TLS1_2_CLIENT);
    if (status != SEC_E_OK)
        throw ESockError(SockErrorKind::Secure, "Secure connection failed: TLS 1.2 is not available on this system (" +
                                                    StatusText(status) + ")");
}

TTlsSession::~TTlsSession() {
    if (haveContext_) DeleteSecurityContext(&context_);
    FreeCredentialsHandle(&credentials_);
}

std::string TTlsSession::FirstToken() {
    SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
    ULONG attributes = 0;
    // The server name goes into the ClientHello (SNI).
    const SECURITY_STATUS status =
        InitializeSecurityContextW(&credentials_, nullptr, serverName_.data(), kContextFlags, 0, 0, nullptr, 0,
                                   &context_, &outDesc, &attributes, nullptr);
    ContextBuffer token{out.pvBuffer};
    if (status != SEC_I_CONTINUE_NEEDED) HandshakeFailed(status);
    haveContext_ = true;
    needsData_ = true;
    return std::string(static_cast<const char*>(out.pvBuffer), out.cbBuffer);
}

bool TTlsSession::Handshake(std::string& token) {
    token.clear();
    for (;;) {
        if (rawEnd_ == rawBegin_) {
            needsData_ = true;
            return false;
        }
        // A server that answers in plain text (an HTTP server on an https:// URL) would
        // otherwise be taken for the start of a huge record and waited for. Only its first
        // record is judged: under TLS 1.3 the rest of the handshake travels as data records.
        const char type = raw_[rawBegin_];
        if (!answered_ && type != kHandshakeRecord && type != kAlertRecord)
            throw ESockError(SockErrorKind::Secure, "Secure connection failed: the server's answer is not TLS");
        answered_ = true;
        if (Step(token)) {
            CheckProtocol();
            const SECURITY_STATUS status = QueryContextAttributesW(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
            if (status != SEC_E_OK) HandshakeFailed(status);
            needsData_ = false;
            return true;
        }
        if (needsData_) return false;
    }
}

bool TTlsSession::Step(std::string& token) {
    SecBuffer in[2] = {{static_cast<ULONG>(rawEnd_ - rawBegin_), SECBUFFER_TOKEN, raw_.data() + rawBegin_},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
    SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
    ULONG attributes = 0;
    const SECURITY_STATUS status =
        InitializeSecurityContextW(&credentials_, &context_, serverName_.data(), kContextFlags, 0, 0, &inDesc, 0,
                                   nullptr, &outDesc, &attributes, nullptr);
    ContextBuffer produced{out.pvBuffer};
    if (out.pvBuffer && out.cbBuffer > 0) token.append(static_cast<const char*>(out.pvBuffer), out.cbBuffer);
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
        needsData_ = true;
        return false;
    }
    // What Schannel did not take belongs to the next message (or, once done, to the data).
    rawBegin_ = in[1].BufferType == SECBUFFER_EXTRA ? rawEnd_ - in[1].cbBuffer : rawEnd_;
    if (status == SEC_E_OK) {
        needsData_ = false;
        return true;
    }
    if (status == SEC_I_INCOMPLETE_CREDENTIALS)
        throw ESockError(SockErrorKind::Secure, "Secure connection failed: the server asks for a client certificate");
    if (status != SEC_I_CONTINUE_NEEDED) HandshakeFailed(status);
    needsData_ = rawBegin_ == rawEnd_;
    return false;
}

void TTlsSession::CheckProtocol() {
    // Wine takes the protocols asked for as a wish and concludes TLS 1.0 with a server that
    // offers nothing better: what was agreed is checked, whatever the system did.
    SecPkgContext_ConnectionInfo info{};
    const SECURITY_STATUS status = QueryContextAttributesW(&context_, SECPKG_ATTR_CONNECTION_INFO, &info);
    if (status != SEC_E_OK) HandshakeFailed(status);
    if ((info.dwProtocol & (SP_PROT_TLS1_2 | SP_PROT_TLS1_3)) == 0)
        throw ESockError(SockErrorKind::Secure,
                         "Secure connection failed: the server offers only a protocol older than TLS 1.2");
    tls13_ = (info.dwProtocol & SP_PROT_TLS1_3) != 0;
}

TRevocation TTlsSession::CheckServerCertificate() {
    PCCERT_CONTEXT certificate = nullptr;
    const SECURITY_STATUS status =
        QueryContextAttributesW(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, static_cast<void*>(&certificate));
    if (status != SEC_E_OK || !certificate)
        throw ESockError(SockErrorKind::Secure, "Secure connection failed: the server sent no certificate");
    const std::unique_ptr<const CERT_CONTEXT, decltype(&CertFreeCertificateContext)> owned(certificate,
                                                                                           &CertFreeCertificateContext);
    return CheckCertificateForHost(certificate, serverName_);
}

void TTlsSession::Compact() {
    if (plainSize_ > 0 || rawBegin_ == 0) return;
    std::memmove(raw_.data(), raw_.data() + rawBegin_, rawEnd_ - rawBegin_);
    rawEnd_ -= rawBegin_;
    rawBegin_ = 0;
}

char* TTlsSession::RawRoom(int& size) {
    // Decrypted data not yet read lies in the buffer: nothing moves until it has been read.
    if (raw_.size() - rawEnd_ < kMinRoom) Compact();
    size = static_cast<int>(raw_.size() - rawEnd_);
    return raw_.data() + rawEnd_;
}

bool TTlsSession::DecryptNext() {
    if (finished_) return false;
    if (renegotiating_ && !Renegotiate()) return false;
    if (rawEnd_ == rawBegin_) {
        needsData_ = true;
        return false;
    }
    // One record per call: the offset walks through the buffer instead of the rest moving down.
    SecBuffer buffers[4] = {{static_cast<ULONG>(rawEnd_ - rawBegin_), SECBUFFER_DATA, raw_.data() + rawBegin_},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = DecryptMessage(&context_, &desc, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
        needsData_ = true;
        return false;
    }
    // The peer's close notice. Wine decrypts it as an empty record instead of saying so; its
    // record type (readable up to TLS 1.2, which is all Wine speaks) tells it apart.
    const bool alert = raw_[rawBegin_] == kAlertRecord;
    if (status == SEC_I_CONTEXT_EXPIRED || (status == SEC_E_OK && alert && !HasData(buffers))) {
        finished_ = true;
        rawBegin_ = rawEnd_;
        return false;
    }
    if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE)
        throw ESockError(SockErrorKind::Secure,
                         "Secure connection failed: a record could not be decrypted (" + StatusText(status) + ")");
    needsData_ = false;
    std::size_t extra = 0;
    for (const SecBuffer& buffer : buffers) {
        if (buffer.BufferType == SECBUFFER_DATA) {
            plain_ = static_cast<char*>(buffer.pvBuffer);
            plainSize_ = buffer.cbBuffer;
        } else if (buffer.BufferType == SECBUFFER_EXTRA) {
            extra = buffer.cbBuffer;
        }
    }
    rawBegin_ = rawEnd_ - extra;
    if (status == SEC_I_RENEGOTIATE) {
        // Up to TLS 1.2 the server asks for a new handshake, which would wait for our hello.
        if (!tls13_) throw ESockError(SockErrorKind::Secure, kRenegotiationRefused);
        // TLS 1.3 on Windows hands post-handshake messages (session tickets, key updates) back
        // to the handshake, at once with the bytes that follow, however few: the message is
        // already decrypted and waits for nothing more from the peer.
        renegotiating_ = true;
        Renegotiate();
    }
    return true;
}

bool TTlsSession::Renegotiate() {
    std::string token;
    const bool done = Step(token);
    // A client that would have to answer (a new handshake the server asks for) is not one we
    // are: the session ends rather than going on with terms nobody checked.
    if (!token.empty()) throw ESockError(SockErrorKind::Secure, kRenegotiationRefused);
    if (done) renegotiating_ = false;
    return done;
}

int TTlsSession::Read(char* buffer, int length, bool peek) {
    std::size_t copied = 0;
    const std::size_t wanted = static_cast<std::size_t>(length);
    while (copied < wanted) {
        if (plainSize_ == 0) {
            // A peek must not consume the record it shows: it shows one record at most.
            if (peek && copied > 0) break;
            if (!DecryptNext()) break;
            continue;
        }
        const std::size_t n = std::min(plainSize_, wanted - copied);
        std::memcpy(buffer + copied, plain_, n);
        copied += n;
        if (peek) break;
        plain_ += n;
        plainSize_ -= n;
    }
    return static_cast<int>(copied);
}

void TTlsSession::Seal(const char* data, int length, std::string& out) {
    const std::size_t header = sizes_.cbHeader;
    const std::size_t trailer = sizes_.cbTrailer;
    while (length > 0) {
        const int piece = std::min(length, MaxMessage());
        const std::size_t at = out.size();
        out.resize(at + header + static_cast<std::size_t>(piece) + trailer);
        char* record = out.data() + at;
        std::memcpy(record + header, data, static_cast<std::size_t>(piece));
        SecBuffer buffers[4] = {{static_cast<ULONG>(header), SECBUFFER_STREAM_HEADER, record},
                                {static_cast<ULONG>(piece), SECBUFFER_DATA, record + header},
                                {static_cast<ULONG>(trailer), SECBUFFER_STREAM_TRAILER, record + header + piece},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
        const SECURITY_STATUS status = EncryptMessage(&context_, 0, &desc, 0);
        if (status != SEC_E_OK)
            throw ESockError(SockErrorKind::Secure,
                             "Secure connection failed: data could not be encrypted (" + StatusText(status) + ")");
        // The trailer may come out shorter than its maximum.
        out.resize(at + buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
        data += piece;
        length -= piece;
    }
}

}  // namespace net
