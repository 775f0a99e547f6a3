// Linked into Install_e2e_crash alone: the process dies, as in a power cut, once the transaction
// has done the number of steps that QUORVANE_E2E_CRASH_AFTER_STEP gives, before it journals the
// next. Nothing is cleaned up, flushed or logged on the way out.
#include <windows.h>

#include <cstdlib>

#include "app/transaction/Transaction.h"

namespace {

const bool kArmed = [] {
    const char* text = std::getenv("QUORVANE_E2E_CRASH_AFTER_STEP");
    if (!text) return false;
    const int after = std::atoi(text);
    transaction::BeforeEachRecord() = [after](int stepsDone) {
        if (stepsDone == after) TerminateProcess(GetCurrentProcess(), 99);
    };
    return true;
}();

}  // namespace
