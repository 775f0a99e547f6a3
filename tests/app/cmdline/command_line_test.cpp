// The switches an administrator types, as the argument splitter hands them over.
#include "app/cmdline/CommandLine.h"

#include <gtest/gtest.h>

using cmdline::ParseCommandLine;

namespace {

struct Accepted {
    std::vector<std::string> args;
    const char* switches;  // as Switches() writes them
    const char* dir;       // nullptr: not given
    const char* language;  // nullptr: not given
    const char* log;       // nullptr: not given
};

// Silent, no autostart, no launch, usage: as "SALU", with '-' for a switch not given.
std::string Switches(const cmdline::CommandLine& line) {
    return std::string() + (line.Silent ? 'S' : '-') + (line.NoAutoStart ? 'A' : '-') + (line.NoLaunch ? 'L' : '-') +
           (line.Usage ? 'U' : '-');
}

const Accepted kAccepted[] = {
    {{}, "----", nullptr, nullptr, nullptr},
    {{"/S"}, "S---", nullptr, nullptr, nullptr},
    {{"-s", "/noautostart", "-NoLaunch"}, "SAL-", nullptr, nullptr, nullptr},
    {{"/?"}, "---U", nullptr, nullptr, nullptr},
    {{"/S", "/DIR=C:\\Quorvane Test\\App", "/LANG=EN", "/log=Z:\\tmp\\q.log"},
     "S---",
     "C:\\Quorvane Test\\App",
     "anglais",
     "Z:\\tmp\\q.log"},
    {{"/lang=fr"}, "----", nullptr, "francais", nullptr},
    {{"/DIR=\\\\server\\share\\Quorvane"}, "----", "\\\\server\\share\\Quorvane", nullptr, nullptr},
    {{"/DIR=D:\\Caf\xE9"}, "----", "D:\\Caf\xE9", nullptr, nullptr},
};

TEST(CommandLine, AcceptedSwitches) {
    for (const Accepted& c : kAccepted) {
        const auto line = ParseCommandLine(c.args);
        const std::string what = c.args.empty() ? "(none)" : c.args.front();
        EXPECT_EQ(line.Error, "") << what;
        EXPECT_EQ(Switches(line), c.switches) << what;
        EXPECT_EQ(line.Dir.value_or("<none>"), c.dir ? c.dir : "<none>") << what;
        EXPECT_EQ(line.Language ? i18n::LanguageKey(*line.Language) : "<none>", c.language ? c.language : "<none>")
            << what;
        EXPECT_EQ(line.Log.value_or("<none>"), c.log ? c.log : "<none>") << what;
    }
}

struct Refused {
    std::vector<std::string> args;
    const char* errorPart;
    bool silentToken = false;  // the raw line held /S as a piece of its own
};

const Refused kRefused[] = {
    {{"/SILENT"}, "Unknown switch: /SILENT"},
    {{"/S=1"}, "Unknown switch"},
    {{"install"}, "Not a switch: install"},
    {{"/"}, "Not a switch"},
    {{"/DIR"}, "/DIR needs =value"},
    {{"/DIR="}, "needs a directory"},
    {{"/DIR=Quorvane"}, "full path"},
    {{"/DIR=C:\\a<b"}, "character"},
    {{"/DIR=C:\\a:b"}, "character"},
    {{"/LANG=de"}, "fr or en"},
    {{"/LANG="}, "fr or en"},
    {{"/LOG="}, "file name"},
    {{"/LOG=C:\\logs\\"}, "file name"},
    // The splitter reads a path's last backslash itself: a quote left in a path is refused.
    {{"/DIR=C:\\Program Files\\Quorvane\""}, "character"},
    // /DIR="C:\My /S dir": a /S the split put inside a path still means silent, and the line is bad.
    {{"/DIR=C:\\My /S dir"}, "/S stands inside another argument", true},
    {{"/DIR=C:\\a\" /S /LOG=C:\\q.log"}, "character", true},
};

TEST(CommandLine, RefusedArgumentsSayWhat) {
    for (const Refused& c : kRefused) {
        const auto line = ParseCommandLine(c.args, c.silentToken);
        EXPECT_NE(line.Error.find(c.errorPart), std::string::npos) << c.args.front() << ": " << line.Error;
        EXPECT_EQ(line.Silent, c.silentToken) << c.args.front();
    }
}

// /S and /LOG= count wherever they stand beside a bad switch, which must still reach the log and
// keep every window away; a bad /DIR= or /LOG= is not half-used; the first error is the one told.
TEST(CommandLine, AroundAnErrorTheGoodSwitchesStayAndTheBadValueIsDropped) {
    auto line = ParseCommandLine({"/BOGUS", "/DIR=relative", "/S", "/LOG=Z:\\ok.log"});
    EXPECT_EQ(line.Error, "Unknown switch: /BOGUS");
    EXPECT_TRUE(line.Silent);
    EXPECT_EQ(line.Log.value_or(""), "Z:\\ok.log");
    EXPECT_FALSE(line.Dir);
    line = ParseCommandLine({"/LOG=Z:\\a.log", "/LOG=", "/DIR=C:\\ok", "/DIR=C:\\a|b"});
    EXPECT_EQ(line.Log.value_or(""), "Z:\\a.log");
    EXPECT_EQ(line.Dir.value_or(""), "C:\\ok");
}

TEST(CommandLine, UsageNamesEverySwitchInBothLanguages) {
    for (const i18n::Language language : {i18n::Language::French, i18n::Language::English}) {
        const std::string text = cmdline::UsageText(language);
        for (const char* name : {"/S", "/DIR=", "/LANG=", "/LOG=", "/NOAUTOSTART", "/NOLAUNCH", "/?", "1602"})
            EXPECT_NE(text.find(name), std::string::npos) << i18n::LanguageKey(language) << " lacks " << name;
    }
    EXPECT_NE(cmdline::UsageText(i18n::Language::French), cmdline::UsageText(i18n::Language::English));
}

}  // namespace
