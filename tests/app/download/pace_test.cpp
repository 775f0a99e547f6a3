// The whole download's line on page 4 in both languages, driven by a clock of figures: sizes and
// speeds in decimal units with their rounding, the time left with its 90 s and 90 min steps, none
// in the first 2 s or while nothing arrives, the countdown before another attempt; how often the
// line may change; and what the task-bar button is asked to show when.
#include "app/download/DownloadPace.h"

#include "i18n/traducteur.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using progress::DownloadPace;
using progress::TaskbarState;

progress::PaceWords Words(const char* language) {
    tTranslate table;
    table.SetLanguage(language);
    return progress::PaceWordsOf(table);
}

// Bytes arrive at `rate` a second, a figure every 100 ms, from 0 until `feedMs`.
DownloadPace Fed(const char* language, std::int64_t total, std::int64_t rate, std::uint64_t feedMs) {
    DownloadPace pace(total, Words(language), 0);
    for (std::uint64_t t = 100; t <= feedMs; t += 100) {
        pace.Progress(t, std::min<std::int64_t>(total, rate * static_cast<std::int64_t>(t) / 1000));
    }
    return pace;
}

TEST(DownloadPace, TheLineInBothLanguages) {
    const struct {
        const char* language;
        std::int64_t total, rate;
        std::uint64_t feedMs, retryAtMs, askMs;
        const char* line;
    } rows[] = {
        {"anglais", 31700000, 3100000, 4000, 0, 4000, "12.4 MB of 31.7 MB - 3.1 MB/s - about 6 s left"},
        {"francais", 31700000, 3100000, 4000, 0, 4000, "12,4 Mo sur 31,7 Mo - 3,1 Mo/s - environ 6 s restantes"},
        // No time left in the first 2 s; from then on there is.
        {"anglais", 31700000, 3100000, 1900, 0, 1900, "5.9 MB of 31.7 MB - 3.1 MB/s"},
        {"francais", 31700000, 3100000, 2000, 0, 2000, "6,2 Mo sur 31,7 Mo - 3,1 Mo/s - environ 8 s restantes"},
        // Nothing arrived for 2 s: no time left, and the speed falls as the average takes the silence in.
        {"anglais", 31700000, 3100000, 4000, 0, 5900, "12.4 MB of 31.7 MB - 1.7 MB/s - about 11 s left"},
        {"anglais", 31700000, 3100000, 4000, 0, 6000, "12.4 MB of 31.7 MB - 1.6 MB/s"},
        {"francais", 31700000, 3100000, 4000, 0, 60000, "12,4 Mo sur 31,7 Mo - 23 octets/s"},
        // Seconds below 90 s, rounded to the nearest; minutes below 90 min; then hours and minutes.
        {"anglais", 13400, 1000, 4000, 0, 4000, "4.0 kB of 13.4 kB - 1.0 kB/s - about 9 s left"},
        {"anglais", 13600, 1000, 4000, 0, 4000, "4.0 kB of 13.6 kB - 1.0 kB/s - about 10 s left"},
        {"anglais", 93400, 1000, 4000, 0, 4000, "4.0 kB of 93.4 kB - 1.0 kB/s - about 89 s left"},
        {"francais", 94000, 1000, 4000, 0, 4000, "4,0 ko sur 94,0 ko - 1,0 ko/s - environ 2 min restantes"},
        {"anglais", 184000, 1000, 4000, 0, 4000, "4.0 kB of 184 kB - 1.0 kB/s - about 3 min left"},
        {"anglais", 5373000, 1000, 4000, 0, 4000, "4.0 kB of 5.4 MB - 1.0 kB/s - about 89 min left"},
        {"francais", 5374000, 1000, 4000, 0, 4000, "4,0 ko sur 5,4 Mo - 1,0 ko/s - environ 1 h 30 min restantes"},
        {"anglais", 7204000, 1000, 4000, 0, 4000, "4.0 kB of 7.2 MB - 1.0 kB/s - about 2 h left"},
        {"francais", 7504000, 1000, 4000, 0, 4000, "4,0 ko sur 7,5 Mo - 1,0 ko/s - environ 2 h 5 min restantes"},
        // Sizes: bytes below 1 kB, three figures, halves up, a rounded 1000 shown in the next unit.
        {"anglais", 999, 100, 4000, 0, 4000, "400 bytes of 999 bytes - 100 bytes/s - about 6 s left"},
        {"francais", 999, 100, 4000, 0, 4000, "400 octets sur 999 octets - 100 octets/s - environ 6 s restantes"},
        {"anglais", 999950, 2, 20000, 0, 20000, "40 bytes of 1.0 MB - 2 bytes/s"},  // 100 h and more: none
        {"anglais", 12450000, 99950, 4000, 0, 4000, "400 kB of 12.5 MB - 100 kB/s - about 2 min left"},
        {"francais", 2500000000, 12449999, 4000, 0, 4000, "49,8 Mo sur 2,5 Go - 12,4 Mo/s - environ 3 min restantes"},
        {"anglais", 1000, 1000, 1000, 0, 1000, "1.0 kB of 1.0 kB - 1.0 kB/s"},  // all in: no time left
        // Before another attempt, the seconds until it, counted down; then the figures again.
        {"anglais", 31700000, 3100000, 4000, 7000, 4000, "Trying again in 3 s"},
        {"francais", 31700000, 3100000, 4000, 7000, 5001, "Nouvel essai dans 2 s"},
        {"anglais", 31700000, 3100000, 4000, 7000, 6999, "Trying again in 1 s"},
        {"anglais", 31700000, 3100000, 4000, 7000, 7000, "12.4 MB of 31.7 MB - 1.2 MB/s"},
    };
    for (const auto& row : rows) {
        DownloadPace pace = Fed(row.language, row.total, row.rate, row.feedMs);
        if (row.retryAtMs) pace.WaitUntil(row.retryAtMs);
        EXPECT_EQ(pace.Line(row.askMs), row.line) << row.total << " at " << row.askMs;
    }
}

TEST(DownloadPace, TheLineChangesAtMostFourTimesASecond) {
    DownloadPace pace(1000000000, Words("anglais"), 0);
    std::vector<std::uint64_t> changes;
    for (std::uint64_t t = 0; t <= 3000; t += 10) {
        pace.Progress(t, static_cast<std::int64_t>(t) * 1000);
        if (pace.LineChange(t)) changes.push_back(t);
    }
    ASSERT_EQ(changes.front(), 0u);  // the first at once
    for (std::size_t i = 1; i < changes.size(); ++i) EXPECT_GE(changes[i] - changes[i - 1], 250u) << changes[i];
    EXPECT_EQ(changes.size(), 13u);  // every 250 ms, since the figures change all the time
    // An unchanged line is not given again.
    pace.Finished();
    EXPECT_TRUE(pace.LineChange(4000));
    EXPECT_FALSE(pace.LineChange(5000));
}

TEST(DownloadPace, TheTaskbarShowsProgressPausesForARetryThenErrorOrNothing) {
    for (const bool fails : {false, true}) {
        DownloadPace pace(1000, Words("francais"), 0);
        pace.Progress(100, 500);
        EXPECT_EQ(pace.Taskbar(100), TaskbarState::Normal);
        pace.WaitUntil(3100);
        EXPECT_EQ(pace.Taskbar(3099), TaskbarState::Paused);
        EXPECT_EQ(pace.Taskbar(3100), TaskbarState::Normal);
        pace.WaitUntil(6100);
        if (fails) {
            pace.Failed();
        } else {
            pace.Finished();
        }
        // The end wins over a wait still running; the line keeps the figures, without a countdown.
        EXPECT_EQ(pace.Taskbar(4000), fails ? TaskbarState::Error : TaskbarState::NoProgress);
        EXPECT_EQ(pace.Line(4000), "500 octets sur 1,0 ko");
    }
}

}  // namespace
