#pragma once
// app/download owns the download of the product's files: the sequence that fetches each file into
// the run's download folder and judges it (here), its retries and back-off (DownloadRetry.h), the
// errors that stop it (DownloadErrors.h), its progress figures and texts (DownloadProgress.h,
// DownloadPace.h), the server's address (DownloadServer.h) and the proxy's credentials
// (ProxyCredentials.h). It holds no window: the wizard's page 4 and the silent run are its front
// ends, which subscribe to its events below.
#include "app/download/DownloadRetry.h"
#include "app/download/ProxyCredentials.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace install {
class DownloadFolder;
}  // namespace install
namespace net {
class THttpClient;
}  // namespace net

// Frees the download's HTTP client where its type is complete (DownloadSequence.cpp), so that only
// the sequence needs the engine's header.
struct HttpClientDeleter {
    void operator()(net::THttpClient* client) const noexcept;
};

// Runs on the user-interface thread: while a request waits for the network the socket layer keeps
// the thread's messages flowing, so the events below, and the front end's Cancel (Abort), run
// nested inside FetchFile.
class DownloadSequence {
public:
    // What the user is told the download does now: a caption of the translation table (CP1252).
    std::function<void(const std::string& text)> OnStatus;
    // The current file's progress, at most every kProgressInterval and always at the last chunk of
    // a whole body: `bytes` of it stored (never fewer than reported before for the same file) out
    // of `size` (0: unknown). A resumed body counts from where it continues the file.
    std::function<void(const std::string& file, long long bytes, long long size)> OnProgress;
    // Before another attempt of the current file, once OnStatus has said so: the pause to come.
    std::function<void(DWORD ms)> OnWaitBeforeAttempt;
    // The server's name does not resolve (no proxy in the way): the request then fails with the
    // engine's own error.
    std::function<void()> OnHostNotFound;
    // Asked, once a run, when a proxy wants a user name and password that it was not given or
    // refused (407); returns what the user gave, nothing when he gave none. Empty: only the
    // build's credentials count.
    std::function<std::optional<ProxyCredentials>(const std::string& proxy)> AskProxyCredentials;

    // How the download rides out a bad network: the silence allowed during a request, and the
    // pauses before the second and third attempt of a file.
    int InactivityTimeOutMs = kInactivityTimeOutMs;
    std::array<DWORD, kDownloadAttempts - 1> BackOffMs{kBackOffMs[0], kBackOffMs[1]};

    std::unique_ptr<net::THttpClient, HttpClientDeleter> HttpClient;  // absent until Start
    std::string CurrentFile;

    // The compiled-in server address (DownloadServer()) + "/download/lite/" + file; "http://"
    // unless the address names its scheme.
    static std::string DownloadUrl(const std::string& file);

    // A new client with its handlers bound, the proxy the user's settings name and the build's
    // proxy credentials.
    void Start();
    // The product's files in their order into `folder`, each judged; the folder's files are no
    // longer written once it returns, however it ends. Requires Start.
    void FetchAll(install::DownloadFolder& folder);
    // One file fetched into `folder` and judged, with its retries. The file is checked against its
    // pinned size and SHA-256 while it arrives; one that differs raises DamagedDownloadError before
    // anything is copied.
    void FetchFile(const std::string& file, install::DownloadFolder& folder);
    // The user's Cancel: the request under way ends with the abort of a cancelled transfer, and a
    // back-off ends at once.
    void Abort();
    // The proxy user name the next request sends.
    std::string ProxyUserId() const;

    // The handlers of the HTTP client's events.
    void HttpAboutToSend(void* Sender);
    void HttpConnect(void* Sender);
    void HttpPacketRecvd(void* Sender);
    void HttpInvalidHost(bool& Handled);

    static constexpr unsigned long long kProgressInterval = 100;  // milliseconds: ten updates a second

private:
    void CheckReply();
    // Before attempt `attempt` (2 or more) of the current file: the status says so and the
    // back-off passes; a Cancel meanwhile ends it with the abort of a cancelled transfer.
    void WaitBeforeAttempt(int attempt);
    // Notes what the failed attempt left in the file (`storedBytes` long), for the next one's
    // resume point.
    void NoteFailedAttempt(AttemptResult& attempt, bool damaged, std::int64_t storedBytes);
    // "Server or update not found: <CurrentFile> (<detail>)", in the current language.
    std::string NotFound(const std::string& detail) const;
    // One request of the file; a proxy's 407 asks the user once a run, then the request goes
    // again with what he gave.
    void GetThroughProxy(const std::string& url);

    unsigned long long lastProgress_ = 0;  // tick count of the last progress reported; 0: none yet
    long long shownBytes_ = 0;             // the most of the current file reported: never less after
    bool downloadAborted_ = false;         // the user's Cancel reached the download
    bool proxyCredentialsAsked_ = false;   // the user was asked for the proxy's credentials in this run
};
