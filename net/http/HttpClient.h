#pragma once
// THttpClient: an HTTP/1.0 client on top of the socket component. One request per connection:
// the request line and header lines go out as text, the reply's status and header lines are read
// line by line, and the body is read until the server closes, into a file or a string. Redirects
// are followed, within a bound, on new connections.
//
// Every request operation is synchronous but keeps the application's queue running while it
// waits, so a Cancel button may call Abort from inside a running request.
//
// The download sequence's use:
//     THttpClient client;
//     client.InputFileMode = true;
//     client.Body = "C:\\Temp\\quorvane.exe";
//     client.Get("http://server/download/lite/quorvane.exe");
//     // ReplyCode, BytesExpected (and HasContentLength), BytesReceived tell what came.
#include <functional>
#include <memory>
#include <string>

#include "net/http/CredentialScope.h"
#include "net/http/HeaderList.h"
#include "net/http/HttpErrors.h"
#include "net/http/HttpReplyText.h"
#include "net/http/HttpRequestText.h"
#include "net/proxy/ProxyList.h"
#include "net/socket/SocketComponent.h"

namespace net {

// Receives the kind of the finished request only (no sender).
using TResultEvent = std::function<void(CmdType Kind)>;
// The route of one pass, from its URL and the host parsed from it.
using TProxyChooser = std::function<TProxyRoute(const std::string& url, const std::string& host)>;

class THttpClient : public ROzaverazo {
public:
    THttpClient();
    ~THttpClient() override;

    // Sets the gate of the lookup and accept waits, then cancels: the running socket operation
    // raises its abort exception. Reports "Canceling" only (no "Abort" status).
    void Abort() override;

    // Request operations: each stores its arguments, sets RequestKind and CurrentURL, and runs
    // ExecuteRequest. Results are in Body, Header, ReplyCode, BytesExpected and the events.
    virtual void Options(const std::string& url);
    virtual void Get(const std::string& url);
    virtual void Post(const std::string& url, const std::string& data);
    virtual void Put(const std::string& url, const std::string& data);
    virtual void Head(const std::string& url);
    virtual void Patch(const std::string& url, const std::string& data);
    virtual void Delete(const std::string& url);
    virtual void Trace(const std::string& url, const std::string& data);
    virtual void Copy(const std::string& url, const std::string& value);
    virtual void Move(const std::string& url, const std::string& value);
    virtual void Link(const std::string& url, const std::string& value);
    virtual void Unlink(const std::string& url, const std::string& value);
    virtual void NoVerbRequest(const std::string& url, const std::string& data);

    // Published settings and results.
    std::string Body = "Default.htm";  // InputFileMode: the body's file (a UTF-8 path); otherwise the body text
    // InputFileMode: when set, the body's file as its owner holds it open (read and write); the
    // body is written through it and Body only names it. Never opened again by its path, so that
    // no other process can hand the engine another file between two attempts.
    HANDLE BodyFile = INVALID_HANDLE_VALUE;
    std::string Header = "Head.txt";  // OutputFileMode: the header's file; otherwise its text
    std::unique_ptr<THeaderInfo> HeaderInfo;
    bool InputFileMode = false;
    bool OutputFileMode = false;  // SendData names a file to send; header lines go to a file
    bool EncodePostData = true;

    // State of the request in progress (and, after it, of its last reply).
    std::string RequestPath;
    std::unique_ptr<THeaderList> RequestHeader;
    std::string RedirectLocation;
    std::string ReceivedCookie;
    std::string SendData;
    std::string ExtraHeaderValue;
    std::string CurrentURL;
    CmdType RequestKind = rkGet;
    // Whether the last reply announced its length: a Content-Length of 0 and no line at all
    // both leave BytesExpected at 0, and only this tells an empty file from an unknown length.
    bool HasContentLength = false;
    // With InputFileMode, a GET asks for the body from this byte on ("Range: bytes=N-"), on
    // every pass, redirects included. A 206 that carries exactly the rest of the file
    // (ContinuesAt) is appended to Body, a 200 replaces Body's content, and any other body is
    // dropped, the file left as it was (FileBodyUse). 0: the whole body.
    std::int64_t ResumeFrom = 0;
    // Where the last body began in the file: ResumeFrom when it continued the file, 0 when it
    // replaced it, -1 when it was dropped.
    std::int64_t BodyOffset = 0;
    // Whether the current URL is https: the pass then runs over TLS, its certificate checked.
    bool Https = false;
    // Whether the last reply's header ended with its blank line, and whether the reply was
    // complete: that header, and a body of exactly the announced length when one was announced.
    // OnSuccess fires only for a complete reply: a cut or overlong one is no success.
    bool HeaderComplete = false;
    bool ReplyComplete = false;

    // Without InputFileMode the body is held in Body: more than this is refused with
    // kBodyTooLarge rather than taken into memory without end.
    static constexpr std::int64_t MaxBodyInMemory = 16 << 20;

    // Chooses Proxy and ProxyPort afresh for every pass (a redirect may lead to a host that
    // the user's bypass list names); unset, they stay as the caller set them.
    TProxyChooser ChooseProxy;

    // Connects to Proxy:ProxyPort and asks it for a tunnel to Host:Port (CONNECT). On return
    // the connection carries bytes to and from Host:Port unchanged: an https request starts its
    // TLS there. Raises the proxy's refusal (a status other than 2xx, 407 included) as an error.
    void OpenTunnel();

    TResultEvent OnSuccess;
    TResultEvent OnFailure;
    TNotifyEvent OnAboutToSend;
    THandlerEvent OnRedirect;
    TNotifyEvent OnAuthenticationNeeded;

protected:
    // One request: passes of ParseURL, BuildRequestHeader, connection, request, reply, until the
    // reply asks for no further pass. Past kMaxRedirects redirects it raises kTooManyRedirects.
    virtual void ExecuteRequest();
    virtual void ParseURL();
    virtual void BuildRequestHeader();
    virtual void ReadResponseHeader();
    virtual void SendRequest();

private:
    void Run(CmdType kind, const std::string& url);
    // Connect, with a proxy's failure to answer reported as the proxy's, not the server's.
    void ConnectRoute();
    // Whether this pass goes through a CONNECT tunnel rather than asking the proxy for the URL.
    bool Tunnelled() const;
    // A 407 from the proxy ends the request: it is about our credentials, not about the file.
    void CheckProxyAuthentication() const;
    // A 407 from the proxy to a pass that did not carry the proxy credentials offered in
    // HeaderInfo: they now belong to that proxy, and the pass goes again with them (true).
    bool ProxyChallengeAnswered();
    // The header values this pass may carry: the server's by origin, the proxy's by proxy.
    THeaderInfo PassHeaderInfo() const;
    std::string ProxyName() const;
    // One pass; returns whether the reply asks for another one.
    bool RunPass();
    // Connect to the end of the body, closed on every exit path.
    void Exchange();
    // The connection of one pass: TCP to the server (or the proxy), then, for an https URL, TLS
    // with the URL's host. A tunnel through a proxy is opened between the two.
    void OpenConnection();
    void SendText(const std::string& text);
    void ReceiveBody();
    void ReceiveBodyText();
    // A body that is not the file (FileBodyUse): read up to kMaxDroppedBody and dropped, unseen
    // by the CaptureObserver, which sees exactly what the file receives.
    void DropBody();
    void JudgeReply();
    // After the connection has closed: cookie, OnRedirect, the next URL, the 401 callback.
    bool FollowUp();
    std::uint64_t DataLength() const;

    TCredentialScope scope_;
    // Lives as long as the client: the proxy that asked keeps its credentials for the run.
    TProxyCredentialScope proxyScope_;
    std::string passOrigin_;
    bool firstPass_ = false;
    bool passAgain_ = false;
    TFileBody fileBody_ = TFileBody::Replace;
};

}  // namespace net
