#include "app/outcome/RunOutcome.h"

#include "app/download/DownloadErrors.h"
#include "app/inuse/InUseErrors.h"
#include "net/http/HttpErrors.h"
#include "net/socket/SocketErrors.h"

#include <stdexcept>

using namespace outcome;

ExitCode ExitCodeOf(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const inuse::FilesInUseError&) {
        return kExitFilesInUse;
    } catch (const inuse::InUseCancelled&) {
        return kExitCancelled;
    } catch (const DamagedDownloadError&) {
        return kExitDamagedDownload;
    } catch (const DownloadError&) {
        return kExitDownloadFailed;
    } catch (const net::ESockError&) {
        // The engine's and the socket layer's own failures: no host, refused, reset, time-out.
        return kExitDownloadFailed;
    } catch (const EConvertError&) {
        // A number that is not one, or does not fit: only the download reads numbers from outside
        // (a port in a redirect, a length, a range); the finishing steps convert none.
        return kExitDownloadFailed;
    } catch (const net::ERangeError&) {
        return kExitDownloadFailed;
    } catch (const std::invalid_argument&) {
        return kExitDownloadFailed;
    } catch (const std::out_of_range&) {
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
