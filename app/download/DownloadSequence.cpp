// The download of a release: its signed manifest first, then each file it lists into the run's
// folder, from the download base or a mirror, each judged as it arrives and after it, with its
// retries. The front end reads what happens through the events.
#include "app/download/DownloadSequence.h"

#include "app/download/BoundedBody.h"
#include "app/download/DownloadErrors.h"
#include "app/download/DownloadRetry.h"
#include "app/download/DownloadServer.h"
#include "app/download/ProxyCredentials.h"
#include "app/download/ReleaseGate.h"
#include "app/download/ReleaseHosts.h"
#include "app/cache/DownloadCache.h"
#include "app/install/ProductFiles.h"
#include "app/log/InstallLog.h"
#include "app/main/DllSearchPath.h"
#include "app/outcome/RunOutcome.h"
#include "app/verify/DownloadCheck.h"
#include "net/http/HttpClient.h"
#include "net/http/HttpErrors.h"
#include "net/proxy/SystemProxy.h"
#include "net/socket/SocketErrors.h"
#include "i18n/MessageText.h"

#include <algorithm>
#include <stdexcept>

namespace {

// The reply's status line as the server sent it, for the log.
std::string StatusLine(const std::string& header, int code) {
    const std::string first = header.substr(0, header.find_first_of("\r\n"));
    return first.rfind("HTTP/", 0) == 0 ? first : "HTTP status " + std::to_string(code);
}

// The whole file had come before the attempt that failed, so the range after it is one the
// server cannot satisfy (416): not an error when what is kept has the manifest's size and SHA-256,
// which the check then verifies.
bool WholeBeforeTheCut(int replyCode, const AttemptResult& attempt, const release::TReleaseFile& file) {
    return replyCode == 416 && attempt.resumeFrom > 0 && static_cast<std::uint64_t>(attempt.resumeFrom) == file.Size;
}

}  // namespace

void HttpClientDeleter::operator()(net::THttpClient* client) const noexcept { delete client; }

std::string DownloadSequence::DownloadUrl(const std::string& file) {
    // The build may name the scheme ("https://host:port"); a bare address is plain HTTP.
    const std::string server = DownloadServer();
    const std::string base = server.find("://") == std::string::npos ? "http://" + server : server;
    return base + "/download/lite/" + file;
}

void DownloadSequence::Start() {
    // Schannel and WinHTTP check certificates with crypt32, which they load by name.
    LoadFromSystemFolder({L"crypt32.dll"});
    HttpClient.reset(new net::THttpClient());
    HttpClient->OnPacketRecvd = [this](void* sender) { HttpPacketRecvd(sender); };
    HttpClient->OnAboutToSend = [this](void* sender) { HttpAboutToSend(sender); };
    HttpClient->OnInvalidHost = [this](bool& handled) { HttpInvalidHost(handled); };
    HttpClient->OnConnect = [this](void* sender) { HttpConnect(sender); };
    HttpClient->OnSecurityNotice = [](void*, const std::string& notice) { LogLine(notice); };
    // Company networks reach the web only through the proxy the user's settings name; the
    // download host is then resolved by the proxy, never here.
    HttpClient->ChooseProxy = SystemProxyChooser();
    const ProxyCredentials credentials = BuildProxyCredentials();
    HttpClient->HeaderInfo->ProxyUserId = credentials.UserId;
    HttpClient->HeaderInfo->ProxyPassword = credentials.Password;
    HttpClient->InputFileMode = true;
    HttpClient->TimeOut = InactivityTimeOutMs;
    downloadAborted_ = false;
    proxyCredentialsAsked_ = false;
    lastProgress_ = 0;
}

std::vector<release::TReleaseFile> DownloadSequence::ExpectedFiles() const {
    std::vector<release::TReleaseFile> files;
    if (Release)
        for (const release::TReleaseFile* file : release::FilesInOrder(*Release, install::kDownloadOrder))
            files.push_back(*file);
    return files;
}

void DownloadSequence::FetchAll(cache::DownloadCache& downloads) {
    if (!Release) throw std::logic_error("No release manifest was accepted");
    // The cache holds the files until the finishing steps end; nothing may reach them after.
    struct Released {
        net::THttpClient& client;
        ~Released() { client.BodyFile = INVALID_HANDLE_VALUE; }
    } released{*HttpClient};
    for (const release::TReleaseFile* file : release::FilesInOrder(*Release, install::kDownloadOrder))
        FetchFile(*file, downloads);
    HttpClient->InputFileMode = false;
}

std::int64_t DownloadSequence::ContinueKept(install::HeldDownload& held, const release::TReleaseFile& expected,
                                            verify::TDownloadCheck& check) {
    const std::uint64_t kept =
        cache::ReplayKept(held, expected, [&](const char* data, std::size_t size) { check.Received(data, size); });
    if (kept == 0) return 0;
    LogLine("Kept by an earlier run: " + std::to_string(kept) + " bytes of " + expected.Name);
    if (kept < expected.Size) return static_cast<std::int64_t>(kept);
    try {
        check.Verify();
    } catch (const DamagedDownloadError& damaged) {
        // Not what is expected now (another release's file under the same name, a disk fault):
        // it starts again from its first byte, the check with it on the 200 that answers.
        LogLine(std::string(damaged.what()) + " It is downloaded again.");
        held.Empty();
        return 0;
    }
    held.Verified(expected.Sha256);
    LogLine("Verified " + expected.Name + ": size and SHA-256 as the release manifest gives them");
    return -1;
}

void DownloadSequence::FetchRelease() {
    Release = download::AcceptServedRelease(
        [this](const std::string& name, std::size_t bound) { return FetchText(name, bound); });
    if (OnRelease) OnRelease(*Release);
}

std::string DownloadSequence::FetchText(const std::string& name, std::size_t bound) {
    CurrentFile = name;
    const std::string url = DownloadUrl(name);
    struct TextBody {
        net::THttpClient& client;
        ~TextBody() { client.InputFileMode = true; }
    } textBody{*HttpClient};
    HttpClient->InputFileMode = false;
    for (int number = 1;; ++number) {
        if (number > 1) WaitBeforeAttempt(number);
        try {
            Attempt(
                url, 0,
                [&] {
                    const download::TBoundedBody bounded(*HttpClient, bound);
                    GetThroughProxy(url);
                },
                [&] { CheckReply(); });
            return std::move(HttpClient->Body);
        } catch (const EHttpError& refused) {
            throw DownloadError(NotFound(refused.what()));
        } catch (const std::exception& failure) {
            if (number == kDownloadAttempts || !IsRetryable(failure, HttpClient->ReplyCode, downloadAborted_)) throw;
        }
    }
}

void DownloadSequence::FetchFile(const release::TReleaseFile& file, cache::DownloadCache& downloads) {
    if (!Release) throw std::logic_error("No release manifest was accepted before " + file.Name);
    CurrentFile = file.Name;
    lastProgress_ = 0;  // a new file shows its first chunk at once
    shownBytes_ = 0;
    // Held once, and written only through this handle by every attempt of every host.
    install::HeldDownload& held = downloads.Hold(file);
    HttpClient->Body = held.Path();
    HttpClient->BodyFile = held.Handle();
    // One check for every attempt: a body that continues the file continues its hash, whichever
    // host sends it.
    verify::TDownloadCheck check(*HttpClient, file);
    const std::vector<std::string> urls = download::FileUrls(DownloadUrl(""), Release->Mirrors, file.Name);
    AttemptResult attempt;  // the first asks for the whole file, or for what an earlier run left
    attempt.resumeFrom = ContinueKept(held, file, check);
    if (attempt.resumeFrom < 0) return;
    std::exception_ptr last;
    std::string lastHost;
    for (std::size_t i = 0; i < urls.size(); ++i) {
        const std::string host = download::HostOf(urls[i]);
        if (unreachable_.contains(host)) {
            LogLine(host + " is not asked for " + file.Name + ": it could not be reached before");
            continue;
        }
        try {
            FetchFromHost(urls[i], file, held, check, attempt, i + 1 == urls.size());
            return;
        } catch (const std::exception& failure) {
            // Another host mends only what this one did: not a Cancel, nor a file that cannot
            // be written here.
            const outcome::ExitCode code = ExitCodeOf(std::current_exception());
            if (downloadAborted_ || (code != outcome::kExitDownloadFailed && code != outcome::kExitDamagedDownload))
                throw;
            last = std::current_exception();
            lastHost = host;
            if (urls.size() > 1 && HttpClient->ReplyCode == 0 && dynamic_cast<const net::ESockError*>(&failure)) {
                unreachable_.insert(host);
                LogLine(host + " is left for the rest of this run: no attempt reached it");
            }
        }
    }
    // A cut leaves the part for the next run; a file refused does not stay.
    if (last) {
        try {
            std::rethrow_exception(last);
        } catch (const DamagedDownloadError&) {
            downloads.Discard(file.Name);
        } catch (...) {
        }
    }
    EveryHostFailed(urls.size(), lastHost, last);
}

void DownloadSequence::FetchFromHost(const std::string& url, const release::TReleaseFile& file,
                                     install::HeldDownload& held, verify::TDownloadCheck& check, AttemptResult& attempt,
                                     bool lastHost) {
    for (int number = 1;; ++number) {
        if (number > 1) WaitBeforeAttempt(number);
        attempt.resumeFrom = NextResumePoint(attempt);
        try {
            Attempt(
                url, attempt.resumeFrom,
                [&] {
                    verify::TDownloadCheck::Attached attached(*HttpClient, check);
                    GetThroughProxy(url);
                },
                [&] {
                    if (!WholeBeforeTheCut(HttpClient->ReplyCode, attempt, file)) CheckReply();
                    check.Verify();
                });
            held.Verified(file.Sha256);
            LogLine("Verified " + file.Name + ": size and SHA-256 as the release manifest gives them");
            return;
        } catch (const EHttpError& refused) {
            // The engine's refusals of a request or a reply (a header past its bound, endless
            // redirects) say nothing of which file: the user is told. Asking this host again
            // would not mend them.
            throw DownloadError(NotFound(refused.what()));
        } catch (const std::exception& failure) {
            const bool damaged = dynamic_cast<const DamagedDownloadError*>(&failure) != nullptr;
            // What the file holds now is where the next attempt, here or on the next host, goes on.
            NoteFailedAttempt(attempt, damaged, static_cast<std::int64_t>(held.Size()));
            if (damaged && !lastHost) {
                LogLine(download::HostOf(HttpClient->CurrentURL) + " sent a damaged " + file.Name +
                        ": it is asked of the next host");
                throw;
            }
            if (number == kDownloadAttempts || !IsRetryable(failure, HttpClient->ReplyCode, downloadAborted_)) throw;
        }
    }
}

void DownloadSequence::Attempt(const std::string& url, std::int64_t from, const std::function<void()>& get,
                               const std::function<void()>& judge) {
    HttpClient->ResumeFrom = from;
    HttpClient->ReplyCode = 0;
    HttpClient->BodyOffset = -1;
    LogLine("GET " + url + (from > 0 ? ", from byte " + std::to_string(from) : ""));
    const ULONGLONG start = GetTickCount64();
    const auto took = [start] { return std::to_string(GetTickCount64() - start) + " ms"; };
    try {
        get();
        // The host that served the reply: the last one a redirect led to.
        LogLine(StatusLine(HttpClient->Header, HttpClient->ReplyCode) + ", " +
                std::to_string(HttpClient->BytesReceived) + " bytes in " + took() + " from " +
                download::HostOf(HttpClient->CurrentURL));
        judge();
    } catch (const EHttpError& refused) {
        LogLine("GET " + url + " refused after " + took() + ": " + refused.what());
        throw;
    } catch (const std::exception& failure) {
        LogLine("GET " + url + " failed after " + took() + ": " + failure.what());
        throw;
    }
}

void DownloadSequence::EveryHostFailed(std::size_t hosts, const std::string& host, std::exception_ptr last) {
    if (!last) throw DownloadError(NotFound("no host could be reached"));
    // One host: its own failure, as a download without mirrors has always reported it.
    if (hosts == 1) std::rethrow_exception(last);
    LogLine("Every host failed " + CurrentFile + "; the last, " + host + ", as the next line says");
    try {
        std::rethrow_exception(last);
    } catch (const DownloadError& failure) {
        LogLine(failure.what());
        throw;
    } catch (const std::exception& failure) {
        LogLine(failure.what());
        throw DownloadError(NotFound(host + ": " + failure.what()));
    }
}

void DownloadSequence::GetThroughProxy(const std::string& url) {
    try {
        HttpClient->Get(url);
    } catch (const EProxyAuthError& refused) {
        // The proxy answered before any byte of the body: the request can go again as it was.
        if (proxyCredentialsAsked_ || !AskProxyCredentials) throw;
        proxyCredentialsAsked_ = true;
        LogLine(std::string(refused.what()) + ": the user is asked");
        const std::optional<ProxyCredentials> given =
            AskProxyCredentials(HttpClient->Proxy + ":" + std::to_string(HttpClient->ProxyPort));
        if (!given) throw;
        LogLine("Proxy user name given: " + given->UserId);
        HttpClient->HeaderInfo->ProxyUserId = given->UserId;
        HttpClient->HeaderInfo->ProxyPassword = given->Password;
        HttpClient->Get(url);
    }
}

void DownloadSequence::NoteFailedAttempt(AttemptResult& attempt, bool damaged, std::int64_t storedBytes) {
    attempt.bodyOffset = HttpClient->BodyOffset;
    attempt.replyCode = HttpClient->ReplyCode;
    attempt.storedBytes = storedBytes;
    attempt.damaged = damaged;
}

void DownloadSequence::WaitBeforeAttempt(int attempt) {
    if (OnStatus) OnStatus(Translated(kTextTryingAgain) + CurrentFile);
    LogLine("Attempt " + std::to_string(attempt) + " of " + CurrentFile + " after " +
            std::to_string(BackOffMs[attempt - 2]) + " ms");
    if (OnWaitBeforeAttempt) OnWaitBeforeAttempt(BackOffMs[attempt - 2]);
    if (!BackOff(BackOffMs[attempt - 2], [this] { return downloadAborted_; })) {
        // As a Cancel during the transfer ends it.
        throw net::EAbortError("Socket send aborted");
    }
}

// The engine reports an HTTP error status as an event, not an error, and reads a body until the
// server closes, whatever its length: all is judged here, after each file.
void DownloadSequence::CheckReply() {
    const net::THttpClient& client = *HttpClient;
    const int code = client.ReplyCode;
    std::string detail;
    if (code < 200 || code > 299) {
        detail = code == 0 ? "no valid HTTP status line" : "HTTP status " + std::to_string(code);
    } else if (code == 206 && client.BodyOffset <= 0) {
        // A part of the file that does not continue what is stored: the file is not whole.
        detail = "unexpected partial content";
    } else if (!client.HeaderComplete) {
        detail = "the reply header was cut short";
    } else if (!client.ReplyComplete) {
        detail = "received " + std::to_string(client.BytesReceived) + " of " + std::to_string(client.BytesExpected) +
                 " bytes";
    } else {
        return;
    }
    throw DownloadError(NotFound(detail));
}

std::string DownloadSequence::NotFound(const std::string& detail) const {
    return TranslatedUtf8(kTextNotFound) + ": " + CurrentFile + " (" + detail + ")";
}

void DownloadSequence::Abort() {
    downloadAborted_ = true;
    if (HttpClient) HttpClient->Abort();
}

std::string DownloadSequence::ProxyUserId() const { return HttpClient ? HttpClient->HeaderInfo->ProxyUserId : ""; }

void DownloadSequence::HttpAboutToSend(void*) {
    if (OnStatus) OnStatus(Translated(kTextSearching));
}

void DownloadSequence::HttpConnect(void*) {
    if (OnStatus) OnStatus(Translated(kTextDownloading) + CurrentFile);
}

void DownloadSequence::HttpPacketRecvd(void* sender) {
    auto* client = static_cast<net::THttpClient*>(sender);
    if (!client) client = HttpClient.get();
    if (client->BodyOffset < 0) return;  // a body dropped (not the file) is no progress
    // Every chunk repaints the bar and both labels when the queue next empties; over loopback
    // that is thousands of paints a second and most of the transfer's time. The display follows
    // at most every kProgressInterval, and always shows the last chunk of a complete body.
    const ULONGLONG now = GetTickCount64();
    const bool complete = client->BytesExpected > 0 && client->BytesReceived >= client->BytesExpected;
    if (!complete && lastProgress_ != 0 && now - lastProgress_ < kProgressInterval) return;
    // A resumed body counts from where it continues the file, and the bar shows the whole file;
    // a body that starts the file again shows nothing less than was already shown.
    const long long offset = std::max<long long>(client->BodyOffset, 0);
    shownBytes_ = std::max<long long>(shownBytes_, offset + client->BytesReceived);
    const long long expected = client->BytesExpected > 0 ? offset + client->BytesExpected : 0;
    lastProgress_ = now;
    if (OnProgress) OnProgress(CurrentFile, shownBytes_, expected);
}

// The request then fails with the engine's own error (Handled stays false). A proxy whose name
// does not resolve is not the server missing: the engine's error names the proxy.
void DownloadSequence::HttpInvalidHost(bool&) {
    if (!HttpClient->Proxy.empty()) return;
    if (OnHostNotFound) OnHostNotFound();
}
