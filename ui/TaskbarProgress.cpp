#include "ui/TaskbarProgress.h"

namespace ui {

TaskbarProgress::TaskbarProgress(HWND button) noexcept : button_(button) {
    if (!button) return;
    if (FAILED(
            CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, list_.PutVoid())) ||
        !list_ || FAILED(list_->HrInit())) {
        list_.Reset();
    }
}

void TaskbarProgress::SetState(TBPFLAG state) noexcept {
    if (!list_ || state == state_) return;
    state_ = state;
    list_->SetProgressState(button_, state);
    // A value shown before NOPROGRESS is not shown again by itself afterwards: re-send it.
    done_ = total_ = ~0ULL;
}

void TaskbarProgress::SetValue(ULONGLONG done, ULONGLONG total) noexcept {
    if (!list_ || (done == done_ && total == total_)) return;
    done_ = done;
    total_ = total;
    list_->SetProgressValue(button_, done, total);
}

}  // namespace ui
