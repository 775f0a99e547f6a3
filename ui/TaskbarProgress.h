#pragma once
// The progress a task-bar button shows (Windows 7 and later, ITaskbarList3). Where the shell
// offers no such object (an older shell, a desktop without a task bar), every call does nothing.
#include <windows.h>
#include <shobjidl.h>

#include "ui/ComOwner.h"

namespace ui {

class TaskbarProgress {
public:
    // `button`: the window that owns the task-bar button; none (a silent run): nothing is shown.
    explicit TaskbarProgress(HWND button) noexcept;
    TaskbarProgress(const TaskbarProgress&) = delete;
    TaskbarProgress& operator=(const TaskbarProgress&) = delete;

    // TBPF_NOPROGRESS, TBPF_NORMAL, TBPF_PAUSED or TBPF_ERROR; the same state again is not re-sent.
    void SetState(TBPFLAG state) noexcept;
    // done of total; the same figures again are not re-sent.
    void SetValue(ULONGLONG done, ULONGLONG total) noexcept;
    bool Available() const { return static_cast<bool>(list_); }

private:
    HWND button_;
    ComRef<ITaskbarList3> list_;
    TBPFLAG state_ = TBPF_NOPROGRESS;
    ULONGLONG done_ = ~0ULL, total_ = ~0ULL;
};

}  // namespace ui
