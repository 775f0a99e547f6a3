#include "app/wizard/DownloadPaceDisplay.h"

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

}  // namespace

DownloadPaceDisplay::DownloadPaceDisplay(ui::Label& line, HWND button)
    : line_(line),
      taskbar_(button),
      pace_(0, Translator ? progress::PaceWordsOf(*Translator) : progress::PaceWords{}, GetTickCount64()) {
    current = this;
    timer_ = SetTimer(nullptr, 0, kTickMs, &Tick);
    Show();
}

DownloadPaceDisplay::~DownloadPaceDisplay() {
    if (timer_) KillTimer(nullptr, timer_);
    if (current == this) current = nullptr;
}

void DownloadPaceDisplay::Expect(std::vector<std::pair<std::string, std::int64_t>> files) {
    files_ = std::move(files);
    std::int64_t total = 0;
    for (const auto& [name, size] : files_) total += size;
    pace_.SetTotal(total);
    Show();
}

void DownloadPaceDisplay::FileProgress(const std::string& file, std::int64_t bytes) {
    // The files before this one in the download's order are in whole.
    std::int64_t before = 0;
    for (const auto& [name, size] : files_) {
        if (file == name) break;
        before += size;
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
