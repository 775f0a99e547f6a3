#pragma once
// The line under page 4's bar for the whole download: how much of all the files has arrived,
// how fast, and about how long is left ("12.4 MB of 31.7 MB - 3.1 MB/s - about 9 s left"), or the
// seconds until the next attempt while a failed one waits; and what the task-bar button shows.
// No windows.h and no clock of its own: the caller gives the time in milliseconds, so the host
// tests drive it with figures.
#include <cstdint>
#include <optional>
#include <string>

class tTranslate;

namespace progress {

// The line's words in the installation's language, taken from the translation table.
struct PaceWords {
    std::string decimalSeparator;                        // "." or ","
    std::string bytes, kilobytes, megabytes, gigabytes;  // "bytes", "kB", "MB", "GB" / "octets", "ko", ...
    std::string sizeOfTotal;                             // "%1 of %2"
    std::string timeLeft;                                // "about %1 left"
    std::string tryingAgainIn;                           // "Trying again in %1"
};
PaceWords PaceWordsOf(const tTranslate& table);

// A size in decimal units (1 kB = 1000 bytes, as Explorer shows download sizes): whole bytes below
// 1 kB, then three figures: one decimal below 100 of the unit ("12.4 MB"), none from 100 ("312 MB");
// a size that rounds to 1000 of a unit is shown in the next ("1.0 MB"). Halves round up.
std::string Size(std::int64_t bytes, const PaceWords& words);
// A duration as a person reads it: seconds below 90 s ("9 s"), minutes below 90 min ("3 min"),
// then hours and minutes ("2 h 5 min", "2 h"); each rounded to the nearest, halves up, at least 1 s.
std::string Duration(double seconds);

// The states the task-bar button shows, in ITaskbarList3's terms.
enum class TaskbarState { NoProgress, Normal, Paused, Error };

// One download's pace, fed with the bytes done so far and asked for its line at any time.
class DownloadPace {
public:
    // The speed is an exponential average with this time constant.
    static constexpr double kSmoothingMs = 5000;
    // No time left before the download has run this long, nor once nothing arrived for this long.
    static constexpr std::uint64_t kWarmUpMs = 2000;
    static constexpr std::uint64_t kStalledMs = 2000;
    // The line changes at most once in this time: four times a second.
    static constexpr std::uint64_t kLineIntervalMs = 250;

    DownloadPace(std::int64_t totalBytes, PaceWords words, std::uint64_t nowMs);
    // The whole, once it is known (the release manifest gives it after the download began).
    void SetTotal(std::int64_t totalBytes) { total_ = totalBytes; }

    // `done` bytes of the whole download are in (never fewer than before: a file started again
    // counts from where it was).
    void Progress(std::uint64_t nowMs, std::int64_t done);
    // A failed attempt waits until `untilMs` before the next one.
    void WaitUntil(std::uint64_t untilMs) { retryAt_ = untilMs; }
    void Failed() { ended_ = TaskbarState::Error; }
    void Finished() { ended_ = TaskbarState::NoProgress; }

    // The smoothed speed in bytes per second at `nowMs`: a time with nothing since the last
    // figure counts as a time when nothing arrived.
    double Speed(std::uint64_t nowMs) const;
    // The line as it reads at `nowMs`.
    std::string Line(std::uint64_t nowMs) const;
    // The line when it should change now: differs from the last one given, and that one is at
    // least kLineIntervalMs old. The first is given at once.
    std::optional<std::string> LineChange(std::uint64_t nowMs);

    TaskbarState Taskbar(std::uint64_t nowMs) const;
    std::int64_t Done() const { return done_; }
    std::int64_t Total() const { return total_; }

private:
    std::int64_t total_;
    PaceWords words_;
    std::uint64_t start_;
    std::uint64_t lastSample_;   // when the speed last took a figure
    std::uint64_t lastArrival_;  // when `done` last grew
    std::int64_t done_ = 0;
    std::int64_t sampledDone_ = 0;  // `done` when the speed last took a figure
    // The average of the rates so far, each weighted by how recent it is, and the sum of those
    // weights: their ratio is the speed, unbiased by the first seconds having no history.
    double weightedRate_ = 0, weight_ = 0;
    std::uint64_t retryAt_ = 0;
    std::optional<TaskbarState> ended_;
    std::optional<std::string> shown_;
    std::uint64_t shownAt_ = 0;
};

}  // namespace progress
