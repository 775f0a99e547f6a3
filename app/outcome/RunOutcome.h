#pragma once
// app/outcome owns how a run of the installer ended: the process's exit codes (ExitCode.h), which
// deployment tools read, and the outcome they report (here), which the wizard and the silent run
// record the same way, from the same errors. Nothing here is about the command line.
#include "app/outcome/ExitCode.h"

#include <exception>
#include <optional>

class RunOutcome {
public:
    // An error that ended an installation attempt, told apart by its type: the download's errors,
    // the network's, and the finishing steps'. While `cancelled`, whatever ended the attempt was
    // the user's cancel.
    void Failed(std::exception_ptr error, bool cancelled);
    void Failed(outcome::ExitCode code);
    // The user confirmed Cancel. A failure seen before stays the outcome: the user only left
    // after it, and the deployment tool must learn what went wrong.
    void Cancelled();
    // The closing steps failed after a completed installation.
    void ClosingFailed() { closingFailed_ = true; }

    // 0 when the installation completed and closed cleanly; otherwise the last failure, else 1602
    // (the window was closed or cancelled before the end).
    int Code(bool installDone) const;

private:
    std::optional<outcome::ExitCode> failure_;
    bool closingFailed_ = false;
};

// The exit code an installation error stands for.
outcome::ExitCode ExitCodeOf(std::exception_ptr error);
