// Which exit code a run reports, from the errors that ended it and the user's cancel.
#include "app/download/DownloadErrors.h"
#include "app/outcome/RunOutcome.h"
#include "app/inuse/InUseErrors.h"
#include "net/http/HttpErrors.h"
#include "net/socket/SocketErrors.h"

#include <gtest/gtest.h>

using namespace outcome;

namespace {

TEST(RunOutcome, EachErrorKindHasItsCode) {
    const std::pair<std::exception_ptr, int> cases[] = {
        {std::make_exception_ptr(DownloadError("HTTP status 404")), kExitDownloadFailed},
        {std::make_exception_ptr(DamagedDownloadError("SHA-256 differs")), kExitDamagedDownload},
        {std::make_exception_ptr(net::ESockError("Connection refused")), kExitDownloadFailed},
        {std::make_exception_ptr(net::EAbortError("Socket receive aborted")), kExitDownloadFailed},
        // A number the download read that is not one or does not fit: a port, a length, a range.
        {std::make_exception_ptr(EConvertError("'x' is not a valid integer value")), kExitDownloadFailed},
        {std::make_exception_ptr(net::ERangeError()), kExitDownloadFailed},
        {std::make_exception_ptr(std::invalid_argument("stoll")), kExitDownloadFailed},
        {std::make_exception_ptr(std::out_of_range("stoi")), kExitDownloadFailed},
        {std::make_exception_ptr(std::runtime_error("Failed to create key X")), kExitFinishFailed},
        // Files in use before anything changed: a silent run's end, and the user's Cancel on the box.
        {std::make_exception_ptr(inuse::FilesInUseError("Files in use: quorvane.exe")), kExitFilesInUse},
        {std::make_exception_ptr(inuse::InUseCancelled("Files in use: quorvane.exe")), kExitCancelled},
        {std::make_exception_ptr(42), kExitFinishFailed},
    };
    for (const auto& [error, code] : cases) {
        EXPECT_EQ(ExitCodeOf(error), code);
        RunOutcome outcome;
        outcome.Failed(error, false);
        EXPECT_EQ(outcome.Code(false), code);
        outcome.Failed(error, true);  // the error of a download the user cancelled
        EXPECT_EQ(outcome.Code(false), kExitCancelled);
    }
}

TEST(RunOutcome, CancelNeverHidesAFailureAndACompletedInstallIsZero) {
    RunOutcome outcome;
    EXPECT_EQ(outcome.Code(false), kExitCancelled);  // closed before the end
    outcome.Failed(std::make_exception_ptr(DownloadError("cut body")), false);
    outcome.Cancelled();
    EXPECT_EQ(outcome.Code(false), kExitDownloadFailed);
    // A retry after a failed directory that then completes.
    outcome.Failed(kExitFinishFailed);
    EXPECT_EQ(outcome.Code(true), kExitSuccess);
    outcome.ClosingFailed();
    EXPECT_EQ(outcome.Code(true), kExitFinishFailed);
}

}  // namespace
