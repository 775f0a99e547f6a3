#include "app/cmdline/RunOutcome.h"

#include "app/DownloadErrors.h"
#include "net/socket/SocketErrors.h"

using namespace cmdline;

ExitCode ExitCodeOf(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const DamagedDownloadError&) {
        return kExitDamagedDownload;
    } catch (const DownloadError&) {
        return kExitDownloadFailed;
    } catch (const net::ESockError&) {
        // The engine's and the socket layer's own failures: no host, refused, reset, time-out.
        return kExitDownloadFailed;
    } catch (...) {
        // The finishing steps' errors, and anything else that stopped them half way: never 0.
        return kExitFinishFailed;
    }
}

void RunOutcome::Failed(std::exception_ptr error, bool cancelled) {
    failure_ = cancelled ? kExitCancelled : ExitCodeOf(error);
}

void RunOutcome::Failed(ExitCode code) { failure_ = code; }

void RunOutcome::Cancelled() {
    if (!failure_) failure_ = kExitCancelled;
}

int RunOutcome::Code(bool installDone) const {
    if (installDone) return closingFailed_ ? kExitFinishFailed : kExitSuccess;
    return failure_.value_or(kExitCancelled);
}
