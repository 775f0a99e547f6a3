#pragma once
// Page 4's line for the whole download (bytes of all the release's files, speed, time left, or the
// countdown before another attempt) and the task-bar button's progress, kept up to date by a
// timer of the thread while the download's waits keep the messages flowing.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/download/DownloadPace.h"
#include "ui/TaskbarProgress.h"

namespace ui {
class Label;
}  // namespace ui

class DownloadPaceDisplay {
public:
    // Shows the line in `line` and the progress on the task-bar button of `button` (none: no
    // button), in the current language; the whole is known once Expect has been called.
    DownloadPaceDisplay(ui::Label& line, HWND button);
    ~DownloadPaceDisplay();
    DownloadPaceDisplay(const DownloadPaceDisplay&) = delete;
    DownloadPaceDisplay& operator=(const DownloadPaceDisplay&) = delete;

    // The files the download fetches, in its order, with their sizes: the release manifest's.
    void Expect(std::vector<std::pair<std::string, std::int64_t>> files);
    // `bytes` of `file`, one of those files, are in.
    void FileProgress(const std::string& file, std::int64_t bytes);
    // A failed attempt waits `ms` before the next one.
    void WaitBeforeAttempt(DWORD ms);
    // The download ended: the line keeps its last figures, the button shows the error or nothing.
    void End(bool failed);

    // Ends the download's display as its scope ends: failed when an exception leaves it, unless
    // the user cancelled.
    class Scope {
    public:
        Scope(DownloadPaceDisplay* display, const unsigned char& cancelled)
            : display_(display), cancelled_(cancelled), exceptions_(std::uncaught_exceptions()) {}
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        DownloadPaceDisplay* display_;
        const unsigned char& cancelled_;
        int exceptions_;
    };

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) noexcept;
    void Show() noexcept;

    ui::Label& line_;
    ui::TaskbarProgress taskbar_;
    progress::DownloadPace pace_;
    std::vector<std::pair<std::string, std::int64_t>> files_;
    UINT_PTR timer_ = 0;
    bool ended_ = false;
};
