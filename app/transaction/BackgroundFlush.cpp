#include "app/transaction/BackgroundFlush.h"

#include "app/install/InstallSupport.h"

#include <utility>

namespace transaction {

BackgroundFlush::BackgroundFlush(ui::OwnedHandle& file, std::string path)
    : file_(file.Release()), path_(std::move(path)) {
    work_ = CreateThreadpoolWork(&BackgroundFlush::Run, this, nullptr);
    if (work_) SubmitThreadpoolWork(work_);
    else Run(nullptr, this, nullptr);  // no thread to be had: flushed here, as it would be there
}

BackgroundFlush::~BackgroundFlush() { Wait(); }

void CALLBACK BackgroundFlush::Run(PTP_CALLBACK_INSTANCE, void* self, PTP_WORK) noexcept {
    auto* flush = static_cast<BackgroundFlush*>(self);
    if (!FlushFileBuffers(flush->file_.Get())) flush->error_ = GetLastError();
}

void BackgroundFlush::Wait() noexcept {
    if (!work_) return;
    WaitForThreadpoolWorkCallbacks(work_, FALSE);
    CloseThreadpoolWork(work_);
    work_ = nullptr;
    file_.Reset(INVALID_HANDLE_VALUE);
}

void BackgroundFlush::Finish() {
    Wait();
    if (error_ != ERROR_SUCCESS)
        throw install::InstallError("Cannot write " + path_ + " to the disk: " + install::SystemErrorText(error_));
}

}  // namespace transaction
