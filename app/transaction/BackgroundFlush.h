#pragma once
// A staged file's flush to the disk, run on a thread of the process's pool while the caller goes
// on (the next file's copy, the journal's batch): a flush waits on the disk, not the processor,
// and flushes that overlap cost about what one does. Only FlushFileBuffers runs off the calling
// thread; nothing there can throw.
#include <windows.h>

#include <string>

#include "ui/OwnedHandle.h"

namespace transaction {

class BackgroundFlush {
public:
    // Takes `file` over (written, open for writing) and starts its flush. `path` names it in an
    // error.
    BackgroundFlush(ui::OwnedHandle& file, std::string path);
    BackgroundFlush(const BackgroundFlush&) = delete;
    BackgroundFlush& operator=(const BackgroundFlush&) = delete;
    // Waits for the flush, then closes the file.
    ~BackgroundFlush();

    // Waits for the flush and closes the file; throws InstallError when the flush failed.
    void Finish();

private:
    static void CALLBACK Run(PTP_CALLBACK_INSTANCE, void* self, PTP_WORK) noexcept;
    void Wait() noexcept;

    ui::OwnedHandle file_;
    std::string path_;
    PTP_WORK work_ = nullptr;
    DWORD error_ = ERROR_SUCCESS;  // written by the pool's thread, read after the wait
};

}  // namespace transaction
