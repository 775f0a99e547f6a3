#pragma once
// app/download owns the download of the product's files: the sequence that fetches the signed
// release manifest, decides on it (ReleaseGate.h), then fetches each file it lists into the run's
// download cache (app/cache) from the download base or a mirror (ReleaseHosts.h) and judges it
// (here), its retries and back-off (DownloadRetry.h), the
// errors that stop it (DownloadErrors.h), its progress figures and texts (DownloadProgress.h,
// DownloadPace.h), the server's address (DownloadServer.h) and the proxy's credentials
// (ProxyCredentials.h). It holds no window: the wizard's page 4 and the silent run are its front
// ends, which subscribe to its events below.
#include "app/download/DownloadRetry.h"
#include "app/download/ProxyCredentials.h"
#include "app/release/ReleaseManifest.h"

#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace cache {
class DownloadCache;
}  // namespace cache
namespace install {
class HeldDownload;
}  // namespace install
namespace verify {
class TDownloadCheck;
}  // namespace verify
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
    // The release manifest was accepted: the files to come, their sizes, the version.
    std::function<void(const release::TRelease& release)> OnRelease;
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
    // What the server's signed manifest says to install; absent until it was accepted.
    std::optional<release::TRelease> Release;

    // The compiled-in server address (DownloadServer()) + "/download/lite/" + file; "http://"
    // unless the address names its scheme. The download base is DownloadUrl("").
    static std::string DownloadUrl(const std::string& file);

    // The name, size and SHA-256 of each file of Release, in their order; none before it is known.
    std::vector<release::TReleaseFile> ExpectedFiles() const;

    // A new client with its handlers bound, the proxy the user's settings name and the build's
    // proxy credentials.
    void Start();
    // The files of Release into `downloads`, the product's four first in their order, each
    // judged; their files are no longer written once it returns, however it ends. Requires Start
    // and FetchRelease.
    void FetchAll(cache::DownloadCache& downloads);
    // The release manifest and its signature from the download base, held in memory within their
    // bounds, decided on: Release set and OnRelease fired, or ReleaseRefusedError (nothing else is
    // asked for). A manifest that cannot be downloaded fails like a file.
    void FetchRelease();
    // One file of Release fetched into `downloads` and judged: from the download base, then from each
    // mirror, each host with its attempts. The file is checked against the manifest's size and
    // SHA-256 while it arrives; a host that sends it wrong is left for the next one (the last one
    // keeps its attempts); a part kept continues on the next host. Only when every host failed
    // does it raise: the last failure, naming the file.
    void FetchFile(const release::TReleaseFile& file, cache::DownloadCache& downloads);
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
    // Feeds what an earlier run kept of `expected` to `check` and returns from which byte the
    // first attempt asks; when all of it was kept and is sound, marks it verified and returns -1.
    std::int64_t ContinueKept(install::HeldDownload& held, const release::TReleaseFile& expected,
                              verify::TDownloadCheck& check);
    // The attempts at `file` of one host, from `url`; `attempt` carries what the file holds from
    // one host to the next. `lastHost`: no host after it, so a damaged body is asked again here.
    void FetchFromHost(const std::string& url, const release::TReleaseFile& file, install::HeldDownload& held,
                       verify::TDownloadCheck& check, AttemptResult& attempt, bool lastHost);
    // One attempt: the request from byte `from`, made by `get`, then `judge`; logged with the
    // reply's status line, size, time and the host that served it, or with the failure. The
    // engine's refusals of a request or a reply become DownloadError naming the current file.
    void Attempt(const std::string& url, std::int64_t from, const std::function<void()>& get,
                 const std::function<void()>& judge);
    // `name` from the download base into memory, with the attempts of a file; a successful reply
    // past `bound` bytes raises BodyPastBound.
    std::string FetchText(const std::string& name, std::size_t bound);
    // After every host failed the current file: with several hosts, the last failure named with
    // the file and that host (a DownloadError keeps its own text, which names the file).
    [[noreturn]] void EveryHostFailed(std::size_t hosts, const std::string& host, std::exception_ptr last);
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
    // Hosts that could not be reached (no reply to any attempt) in this run: not asked again.
    std::set<std::string> unreachable_;
};
