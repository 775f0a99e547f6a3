#pragma once
// The unattended installation (/S): the wizard's own form, never shown, walked through its pages
// by the same handlers a user's clicks run, so that it does the same work with the same checks.
// Questions are answered as an administrator deploying the product means them (an existing
// installation is overwritten) and every box becomes a line of the log.
class TfInstall;

// From now on every box is answered without showing: call it before the form is made, whose
// creation may already report an error.
void AnswerBoxesSilently();

// Runs pages 1 to 5 and the closing steps; `autoStart` and `launch` stand for page 5's two check
// boxes. Returns the exit code.
int RunSilentInstall(TfInstall& form, bool autoStart, bool launch);
