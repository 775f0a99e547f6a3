#include "app/wizard/DownloadPaceDisplay.h"

#include "app/install/ProductFiles.h"
#include "app/verify/PinnedFiles.h"
#include "i18n/traducteur.h"
#include "ui/Label.h"

#include <exception>
#include <optional>
#include <utility>

namespace {

// Often enough that the line, which may change every 250 ms, does not lag a whole period behind.
constexpr UINT kTickMs = 125;

// The display the thread's timer feeds: one download at a time.
DownloadPaceDisplay* current = nullptr;

std::int64_t PinnedSize(const char* file) {
    const verify::TPinnedFile* pinned = PinnedFile(file);
    return pinned ? static_cast<std::int64_t>(pinned->Size) : 0;
}

std::int64_t TotalSize() {
    std::int64_t total = 0;
    for (const char* file : install::kDownloadOrder) total += PinnedSize(file);
    return total;
}

}  // namespace

DownloadPaceDisplay::DownloadPaceDisplay(ui::Label& line, HWND button)
    : line_(line),
      taskbar_(button),
      pace_(TotalSize(), Translator ? progress::PaceWordsOf(*Translator) : progress::PaceWords{}, GetTickCount64()) {
    current = this;
    timer_ = SetTimer(nullptr, 0, kTickMs, &Tick);
    Show();
}

DownloadPaceDisplay::~DownloadPaceDisplay() {
    if (timer_) KillTimer(nullptr, timer_);
    if (current == this) current = nullptr;
}

void DownloadPaceDisplay::FileProgress(const std::string& file, std::int64_t bytes) {
    // The files before this one in the download's order are in whole.
    std::int64_t before = 0;
    for (const char* earlier : install::kDownloadOrder) {
        if (file == earlier) break;
        before += PinnedSize(earlier);
    }
    pace_.Progress(GetTickCount64(), before + bytes);
}

void DownloadPaceDisplay::WaitBeforeAttempt(DWORD ms) {
    pace_.WaitUntil(GetTickCount64() + ms);
    Show();
}

void DownloadPaceDisplay::End(bool failed) {
    if (ended_) return;
    ended_ = true;
    if (failed) {
        pace_.Failed();
    } else {
        pace_.Finished();
    }
    if (timer_) KillTimer(nullptr, std::exchange(timer_, 0));
    Show();
}

DownloadPaceDisplay::Scope::~Scope() {
    if (display_) display_->End(std::uncaught_exceptions() > exceptions_ && !cancelled_);
}

void CALLBACK DownloadPaceDisplay::Tick(HWND, UINT, UINT_PTR, DWORD) noexcept {
    if (current) current->Show();
}

void DownloadPaceDisplay::Show() noexcept {
    try {
        const ULONGLONG now = GetTickCount64();
        // The last line is shown whatever its age: it is the one that stays.
        if (auto line = ended_ ? std::optional<std::string>(pace_.Line(now)) : pace_.LineChange(now)) {
            line_.SetText(*line);
        }
        switch (pace_.Taskbar(now)) {
        case progress::TaskbarState::NoProgress: taskbar_.SetState(TBPF_NOPROGRESS); return;
        case progress::TaskbarState::Normal: taskbar_.SetState(TBPF_NORMAL); break;
        case progress::TaskbarState::Paused: taskbar_.SetState(TBPF_PAUSED); break;
        case progress::TaskbarState::Error: taskbar_.SetState(TBPF_ERROR); break;
        }
        taskbar_.SetValue(static_cast<ULONGLONG>(pace_.Done()), static_cast<ULONGLONG>(pace_.Total()));
    } catch (...) {
        // Called from the timer, through Windows: a line that cannot be made (out of memory)
        // leaves the last one shown, and the download goes on.
    }
}
