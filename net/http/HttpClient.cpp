// THttpClient: the request operations and the passes of one request. The text work (URL split,
// request header, reply header) is the portable code of HttpRequestText and HttpReplyText; this
// file adds the connection, the transfers and the events around it.
#include "net/http/HttpClient.h"

#include <algorithm>
#include <optional>

#include "net/socket/FileStream.h"

namespace net {

THttpClient::THttpClient()
    : HeaderInfo(std::make_unique<THeaderInfo>()), RequestHeader(std::make_unique<THeaderList>()) {}

THttpClient::~THttpClient() = default;

void THttpClient::Abort() {
    WaitGate = true;
    Cancel();
}

void THttpClient::Run(CmdType kind, const std::string& url) {
    RequestKind = kind;
    CurrentURL = url;
    firstPass_ = true;
    ExecuteRequest();
}

void THttpClient::Options(const std::string& url) { Run(rkOptions, url); }
void THttpClient::Get(const std::string& url) { Run(rkGet, url); }
void THttpClient::Head(const std::string& url) { Run(rkHead, url); }
void THttpClient::Delete(const std::string& url) { Run(rkDelete, url); }

void THttpClient::Post(const std::string& url, const std::string& data) {
    SendData = PostData(data, EncodePostData, OutputFileMode);
    Run(rkPost, url);
}

void THttpClient::Put(const std::string& url, const std::string& data) {
    SendData = data;
    Run(rkPut, url);
}

void THttpClient::Patch(const std::string& url, const std::string& data) {
    SendData = data;
    Run(rkPatch, url);
}

void THttpClient::Trace(const std::string& url, const std::string& data) {
    SendData = data;
    Run(rkTrace, url);
}

void THttpClient::Copy(const std::string& url, const std::string& value) {
    ExtraHeaderValue = value;
    Run(rkCopy, url);
}

void THttpClient::Move(const std::string& url, const std::string& value) {
    ExtraHeaderValue = value;
    Run(rkMove, url);
}

void THttpClient::Link(const std::string& url, const std::string& value) {
    ExtraHeaderValue = value;
    SendData = "Send.dat";
    Run(rkLink, url);
}

void THttpClient::Unlink(const std::string& url, const std::string& value) {
    ExtraHeaderValue = value;
    SendData = "Send.dat";
    Run(rkUnlink, url);
}

void THttpClient::NoVerbRequest(const std::string& url, const std::string& data) {
    SendData = data;
    Run(rkNoVerb, url);
}

void THttpClient::ExecuteRequest() {
    // A server answering every request with a redirect would otherwise keep us requesting for ever.
    for (int redirects = 0; RunPass(); ++redirects) {
        if (redirects >= kMaxRedirects) throw EHttpError(kTooManyRedirects);
    }
}

bool THttpClient::RunPass() {
    ParseURL();
    if (ChooseProxy) {
        Canceled = false;  // as Connect does: only a Cancel pressed from here on counts
        const TProxyRoute route = ChooseProxy(CurrentURL, Host);
        Proxy = route.Host;
        ProxyPort = route.Port;
        // The choice may have waited on the network with the window live, and Connect starts
        // afresh: a Cancel pressed meanwhile must end the request here.
        if (Canceled) {
            Canceled = false;
            throw EAbortError("Proxy lookup aborted");
        }
    }
    passOrigin_ = RequestOrigin(CurrentURL, Host, Port);
    if (firstPass_) scope_.NewRequest(passOrigin_, *HeaderInfo);
    firstPass_ = false;
    BuildRequestHeader();
    if (OnAboutToSend) OnAboutToSend(this);
    passAgain_ = false;
    try {
        Exchange();
    } catch (...) {
        // The exception that ended the pass is the one the caller must see; a failing close
        // of a connection already in trouble adds nothing.
        try {
            Disconnect();
        } catch (...) {
        }
        throw;
    }
    Disconnect();
    return passAgain_ || FollowUp();
}

void THttpClient::Exchange() {
    OpenConnection();
    SendRequest();
    ReplyCode = 0;
    ReadResponseHeader();
    // Inside a tunnel the reply is the server's: only the tunnel's own answer is the proxy's.
    if (!Tunnelled() && ProxyChallengeAnswered()) {
        passAgain_ = true;
        return;
    }
    CheckProxyAuthentication();
    ReceiveBody();
    // Without a length to compare with, only the TLS close notice tells a whole body from one
    // that someone in between cut short.
    if (SecureEndMissing() && !HasContentLength)
        throw ESockError(SockErrorKind::Secure,
                         "Secure connection failed: the server closed the connection without ending the session; "
                         "the reply may be cut short");
    JudgeReply();
}

void THttpClient::OpenConnection() {
    // Through a proxy, https goes inside a CONNECT tunnel; TLS then runs end to end with the
    // server, its certificate checked for the server's name, never the proxy's.
    if (Tunnelled()) {
        OpenTunnel();
    } else {
        ConnectRoute();
    }
    if (Https) StartTls(Host);
}

void THttpClient::ParseURL() {
    TRequestTarget target{CurrentURL, Host, Port, {}, Https};
    ::ParseURL(target);
    CurrentURL = target.CurrentURL;
    Host = target.Host;
    Port = target.Port;
    RequestPath = target.RequestPath;
    Https = target.Https;
}

std::uint64_t THttpClient::DataLength() const {
    if (!::HasContentLength(RequestKind)) return 0;
    if (!OutputFileMode) return SendData.size();
    FileStream file(SendData, FileStream::Mode::Read);
    return file.Size();
}

void THttpClient::BuildRequestHeader() {
    // Inside a tunnel the request is the server's, as if no proxy were there.
    const std::string proxy = Tunnelled() ? std::string() : Proxy;
    const TRequestInput input{RequestKind, RequestPath,      CurrentURL,       Host,
                              proxy,       PassHeaderInfo(), ExtraHeaderValue, DataLength()};
    ::BuildRequestHeader(input, *RequestHeader);
    if (ResumeFrom > 0 && InputFileMode && RequestKind == rkGet)
        RequestHeader->Add("Range: bytes=" + std::to_string(ResumeFrom) + "-");
}

THeaderInfo THttpClient::PassHeaderInfo() const {
    return proxyScope_.ForProxy(Proxy, ProxyPort, scope_.ForPass(passOrigin_, *HeaderInfo));
}

std::string THttpClient::ProxyName() const { return ::ProxyName(Proxy, ProxyPort); }

bool THttpClient::Tunnelled() const { return !Proxy.empty() && Https; }

void THttpClient::ConnectRoute() {
    if (Proxy.empty()) return Connect();
    try {
        Connect();
    } catch (const ESockError& error) {
        std::string why;
        switch (error.Kind()) {
        case SockErrorKind::HostNotFound: why = " not found: its name could not be resolved"; break;
        case SockErrorKind::ConnectFailed: why = " refused the connection or is unreachable"; break;
        case SockErrorKind::ConnectTimedOut: why = " did not answer (connection timed out)"; break;
        default: throw;
        }
        throw ESockError(SockErrorKind::ProxyUnreachable, ProxyName() + why, error.WinsockCode());
    }
}

void THttpClient::OpenTunnel() {
    for (;;) {
        ConnectRoute();
        SendText(ConnectRequestText(Host, Port, proxyScope_.ForProxy(Proxy, ProxyPort, *HeaderInfo)));
        ReplyCode = 0;
        // The proxy's answer is read as a reply header, with the same bounds.
        ReadResponseHeader();
        if (!ProxyChallengeAnswered()) break;
        // Asked again on a connection of its own, now with the credentials.
        Disconnect();
    }
    CheckProxyAuthentication();
    if (ReplyCode >= 200 && ReplyCode <= 299) return;
    const std::string status =
        ReplyCode == 0 ? "no valid HTTP status line" : "HTTP status " + std::to_string(ReplyCode);
    throw EHttpError(ProxyName() + " refused the tunnel to " + Host + ":" + std::to_string(Port) + " (" + status + ")");
}

void THttpClient::CheckProxyAuthentication() const {
    if (Proxy.empty()) return;
    const std::string error =
        ProxyAuthenticationError(ProxyName(), ReplyCode, proxyScope_.Carries(Proxy, ProxyPort, *HeaderInfo));
    if (!error.empty()) throw EProxyAuthError(error);
}

bool THttpClient::ProxyChallengeAnswered() {
    return !Proxy.empty() && ReplyCode == 407 && proxyScope_.Challenged(Proxy, ProxyPort, *HeaderInfo);
}

void THttpClient::SendRequest() {
    // Write refuses a header of 64 KiB or more with a range error, and both report themselves.
    Write(RequestHeader->Text());
    Writeln("");
    if (!SendsData(RequestKind)) return;
    if (OutputFileMode) {
        SendFile(SendData);
    } else {
        SendText(SendData);
    }
}

void THttpClient::SendText(const std::string& text) {
    // Write stops at a zero byte and refuses 64 KiB, while Content-Length counts every byte of
    // the data: the server would wait for bytes that never come. Every byte goes out instead.
    constexpr std::size_t kBlock = 0xFFFF;
    for (std::size_t at = 0; at < text.size(); at += kBlock) {
        const std::size_t length = std::min(kBlock, text.size() - at);
        SendBuffer(text.data() + at, static_cast<std::uint16_t>(length));
    }
}

void THttpClient::ReadResponseHeader() {
    BytesExpected = 0;
    HasContentLength = false;
    HeaderComplete = false;
    ReplyComplete = false;
    ReceivedCookie.clear();
    RedirectLocation.clear();
    fileBody_ = TFileBody::Drop;
    std::optional<FileStream> file;
    if (OutputFileMode) {
        file.emplace(Header, FileStream::Mode::Create);
    } else {
        Header.clear();
    }
    TReplyHeaderReader reader;
    std::string line;
    bool done = false;
    while (!done) {
        ReadLn(line);
        // Judged before it is stored: the line that passes the header's bound is not kept.
        done = reader.TakeLine(line);
        if (file) {
            file->Write(line.data(), static_cast<DWORD>(line.size()));
        } else {
            Header += line;
        }
        // Kept up to date line by line: a connection lost inside the header leaves what was read.
        const TReplyHeader& reply = reader.Result();
        ReplyCode = reply.ReplyCode;
        BytesExpected = reply.BytesExpected;
        HasContentLength = reply.HasContentLength;
        HeaderComplete = reply.HeaderComplete;
        ReceivedCookie = reply.ReceivedCookie;
        RedirectLocation = reply.RedirectLocation;
    }
    const TReplyHeader& reply = reader.Result();
    fileBody_ = FileBodyUse(reply, ResumeFrom);
    // The range of a continuing part tells its length when no Content-Length does: a cut part,
    // or one of a file other than the one expected, is then known as such.
    if (fileBody_ == TFileBody::Append && !HasContentLength) {
        BytesExpected = reply.RangeLast - reply.RangeFirst + 1;
        HasContentLength = true;
    }
}

void THttpClient::ReceiveBody() {
    // The request asks a proxy to keep the connection alive, and proxies do so after a body of
    // known length: waiting for the close would wait until the time-out, or for ever.
    struct EndScope {
        std::int64_t& end;
        ~EndScope() { end = -1; }
    } scope{CaptureEnd};
    CaptureEnd = !Proxy.empty() && HasContentLength ? BytesExpected : -1;
    if (!InputFileMode) {
        ReceiveBodyText();
    } else if (fileBody_ == TFileBody::Drop) {
        DropBody();
    } else {
        BodyOffset = fileBody_ == TFileBody::Append ? ResumeFrom : 0;
        CaptureFile(Body, fileBody_ == TFileBody::Append, BodyFile);
    }
    TReplyHeader announced;
    announced.HeaderComplete = HeaderComplete;
    announced.HasContentLength = HasContentLength;
    announced.BytesExpected = BytesExpected;
    ReplyComplete = IsCompleteReply(announced, BytesReceived);
}

void THttpClient::ReceiveBodyText() {
    // An announced length past the bound is refused before a byte of it is taken; otherwise the
    // capture stops one byte past the bound (at most one chunk more) and the reply is refused.
    if (HasContentLength && BytesExpected > MaxBodyInMemory) {
        Body.clear();
        throw EHttpError(kBodyTooLarge);
    }
    CaptureString(Body, static_cast<int>(MaxBodyInMemory + 1));
    if (static_cast<std::int64_t>(Body.size()) > MaxBodyInMemory) {
        Body.clear();
        Body.shrink_to_fit();
        throw EHttpError(kBodyTooLarge);
    }
}

void THttpClient::DropBody() {
    BodyOffset = -1;
    struct Unobserved {
        TCaptureObserver*& observer;
        TCaptureObserver* kept;
        ~Unobserved() { observer = kept; }
    } unobserved{CaptureObserver, CaptureObserver};
    CaptureObserver = nullptr;
    std::string dropped;
    CaptureString(dropped, static_cast<int>(kMaxDroppedBody));
}

void THttpClient::JudgeReply() {
    if (!ReplyComplete) StatusMessage(1, "Incomplete reply");
    if (IsSuccessCode(ReplyCode) && ReplyComplete) {
        if (OnSuccess) OnSuccess(RequestKind);
        StatusMessage(2, "Transaction Completed");
    } else if (IsFailureCode(ReplyCode)) {
        if (OnFailure) OnFailure(RequestKind);
    }
    if (TakesLocation(ReplyCode)) CurrentURL = RedirectLocation;
}

bool THttpClient::FollowUp() {
    if (IsRedirectCode(ReplyCode)) {
        if (!ReceivedCookie.empty()) {
            HeaderInfo->Cookie = ReceivedCookie;
            scope_.CookieReceived(passOrigin_, ReceivedCookie);
        }
        bool handled = false;
        if (OnRedirect) OnRedirect(handled);
        if (handled) return false;
        CurrentURL = CompleteRedirectURL(CurrentURL, Host, Port, Https);
    }
    if (ReplyCode == 401 && OnAuthenticationNeeded) OnAuthenticationNeeded(this);
    return RunsAnotherPass(ReplyCode);
}

}  // namespace net
