#include "app/download/DownloadPace.h"

#include "i18n/traducteur.h"

#include <algorithm>
#include <cmath>

namespace progress {

namespace {

std::string TextOf(const tTranslate& table, TextId id) {
    std::string text;
    table.GetText(id, text);
    return text;
}

// `pattern` with "%1" and "%2" replaced.
std::string Fill(std::string pattern, const std::string& first, const std::string& second = {}) {
    if (const auto at = pattern.find("%1"); at != std::string::npos) pattern.replace(at, 2, first);
    if (const auto at = pattern.find("%2"); at != std::string::npos) pattern.replace(at, 2, second);
    return pattern;
}

// bytes / unit rounded to `decimals` (0 or 1) decimal places, halves up, as a count of tenths or
// units; whole and rest apart, so that no product overflows.
std::int64_t Rounded(std::int64_t bytes, std::int64_t unit, int decimals) {
    const std::int64_t scale = decimals ? 10 : 1;
    return bytes / unit * scale + ((bytes % unit) * scale + unit / 2) / unit;
}

std::int64_t RoundHalfUp(double value) { return static_cast<std::int64_t>(std::floor(value + 0.5)); }

}  // namespace

PaceWords PaceWordsOf(const tTranslate& table) {
    return {TextOf(table, kTextDecimalSeparator), TextOf(table, kTextBytes),        TextOf(table, kTextKilobytes),
            TextOf(table, kTextMegabytes),        TextOf(table, kTextGigabytes),    TextOf(table, kTextSizeOfTotal),
            TextOf(table, kTextTimeLeft),         TextOf(table, kTextTryingAgainIn)};
}

std::string Size(std::int64_t bytes, const PaceWords& words) {
    bytes = std::max<std::int64_t>(bytes, 0);
    if (bytes < 1000) return std::to_string(bytes) + " " + words.bytes;
    const std::string* names[] = {&words.kilobytes, &words.megabytes, &words.gigabytes};
    std::int64_t unit = 1000;
    for (int i = 0;; ++i, unit *= 1000) {
        const bool last = i == 2;
        if (const std::int64_t tenths = Rounded(bytes, unit, 1); tenths < 1000) {
            return std::to_string(tenths / 10) + words.decimalSeparator + std::to_string(tenths % 10) + " " + *names[i];
        }
        if (const std::int64_t whole = Rounded(bytes, unit, 0); whole < 1000 || last) {
            return std::to_string(whole) + " " + *names[i];
        }
    }
}

std::string Duration(double seconds) {
    const std::int64_t s = std::max<std::int64_t>(RoundHalfUp(seconds), 1);
    if (s < 90) return std::to_string(s) + " s";
    const std::int64_t minutes = RoundHalfUp(s / 60.0);
    if (minutes < 90) return std::to_string(minutes) + " min";
    const std::string hours = std::to_string(minutes / 60) + " h";
    return minutes % 60 ? hours + " " + std::to_string(minutes % 60) + " min" : hours;
}

DownloadPace::DownloadPace(std::int64_t totalBytes, PaceWords words, std::uint64_t nowMs)
    : total_(totalBytes), words_(std::move(words)), start_(nowMs), lastSample_(nowMs), lastArrival_(nowMs) {}

void DownloadPace::Progress(std::uint64_t nowMs, std::int64_t done) {
    if (done > done_) {
        done_ = done;
        lastArrival_ = nowMs;
    }
    // Figures of the same millisecond wait for the next one, which takes their bytes with it.
    if (nowMs <= lastSample_) return;
    const double elapsed = static_cast<double>(nowMs - lastSample_);
    const double keep = std::exp(-elapsed / kSmoothingMs);
    const double rate = static_cast<double>(done_ - sampledDone_) * 1000.0 / elapsed;
    weightedRate_ = weightedRate_ * keep + (1 - keep) * rate;
    weight_ = weight_ * keep + (1 - keep);
    lastSample_ = nowMs;
    sampledDone_ = done_;
}

double DownloadPace::Speed(std::uint64_t nowMs) const {
    // Since the last figure nothing came: a rate of zero for that time.
    const double keep = nowMs > lastSample_ ? std::exp(-static_cast<double>(nowMs - lastSample_) / kSmoothingMs) : 1;
    const double weight = weight_ * keep + (1 - keep);
    return weight > 0 ? weightedRate_ * keep / weight : 0;
}

std::string DownloadPace::Line(std::uint64_t nowMs) const {
    if (nowMs < retryAt_ && !ended_) {
        const std::uint64_t seconds = (retryAt_ - nowMs + 999) / 1000;
        return Fill(words_.tryingAgainIn, std::to_string(seconds) + " s");
    }
    std::string line = Fill(words_.sizeOfTotal, Size(done_, words_), Size(total_, words_));
    if (ended_) return line;
    const double speed = Speed(nowMs);
    line += " - " + Size(RoundHalfUp(speed), words_) + "/s";
    const bool warm = nowMs - start_ >= kWarmUpMs;
    const bool flowing = nowMs - lastArrival_ < kStalledMs;
    if (!warm || !flowing || speed < 1 || done_ >= total_) return line;
    // Past a hundred hours the figure says nothing a person could use.
    if (const double secondsLeft = static_cast<double>(total_ - done_) / speed; secondsLeft < 360000) {
        line += " - " + Fill(words_.timeLeft, Duration(secondsLeft));
    }
    return line;
}

std::optional<std::string> DownloadPace::LineChange(std::uint64_t nowMs) {
    if (shown_ && nowMs - shownAt_ < kLineIntervalMs) return std::nullopt;
    std::string line = Line(nowMs);
    if (shown_ == line) return std::nullopt;
    shown_ = line;
    shownAt_ = nowMs;
    return line;
}

TaskbarState DownloadPace::Taskbar(std::uint64_t nowMs) const {
    if (ended_) return *ended_;
    return nowMs < retryAt_ ? TaskbarState::Paused : TaskbarState::Normal;
}

}  // namespace progress
