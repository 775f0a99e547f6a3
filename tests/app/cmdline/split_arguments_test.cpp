// The program splits its own command line; under Windows each expectation is also checked against
// CommandLineToArgvW, whose rules the splitter must keep but for a path's last backslash.
#include "app/cmdline/SplitArguments.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#endif

namespace {

struct Split {
    const wchar_t* line;
    std::vector<std::wstring> arguments;  // after the program's name
    bool silent = false;                  // HasSilentToken
    bool asArgv = true;                   // false: CommandLineToArgvW reads an escaped quote here
};

const Split kSplits[] = {
    {L"Install.exe", {}},
    {L"\"C:\\Program Files\\Install.exe\"", {}},
    {L"\"C:\\Program Files\\Install.exe\" /S", {L"/S"}, true},
    {L"C:\\dl\\Install.exe  \t /S\t-LANG=en  ", {L"/S", L"-LANG=en"}, true},
    {L"Install.exe /DIR=\"D:\\Apps\\Quorvane Pro\" /LOG=\"C:\\Logs\\q.log\"",
     {L"/DIR=D:\\Apps\\Quorvane Pro", L"/LOG=C:\\Logs\\q.log"}},
    // Backslashes are literal unless a quote follows them.
    {L"Install.exe /DIR=\\\\server\\share\\app C:\\a\\\\b", {L"/DIR=\\\\server\\share\\app", L"C:\\a\\\\b"}},
    // A path's last backslash before the quote that ends it, wherever the path stands, quoted or not.
    {L"Install.exe /DIR=\"C:\\Program Files\\Quorvane\\\" /S",
     {L"/DIR=C:\\Program Files\\Quorvane\\", L"/S"},
     true,
     false},
    {L"Install.exe /DIR=\"C:\\Apps\\Quorvane\\\" /S /LOG=C:\\q.log",
     {L"/DIR=C:\\Apps\\Quorvane\\", L"/S", L"/LOG=C:\\q.log"},
     true,
     false},
    {L"Install.exe /DIR=C:\\a\\\"\t-s \"/LOG=C:\\b\\\\\\\"", {L"/DIR=C:\\a\\", L"-s", L"/LOG=C:\\b\\\\"}, true, false},
    {L"Install.exe /DIR=C:\\a\\\\\" /S", {L"/DIR=C:\\a\\", L"/S"}, true, false},
    // Not before a space, a tab or the end: the escaped quote as everywhere else.
    {L"Install.exe \"C:\\x\\\"y /s\"", {L"C:\\x\"y /s"}, true},
    {L"Install.exe \"C:\\dir\\\\\" next", {L"C:\\dir\\", L"next"}},
    {L"Install.exe a\\\\\\\"b \"c\\\\\\\\\"d", {L"a\\\"b", L"c\\\\d"}},
    // "" inside quotes is a quote and ends them: the next quote opens them again.
    {L"Install.exe \"\" \"a\"\"b\" x\" y", {L"", L"a\"b x", L"y"}},
    {L"Install.exe \"unclosed quote to the end", {L"unclosed quote to the end"}},
    // The program's name knows no escapes; a name with a backslash before its quote ends there.
    {L"\"C:\\odd\\\" /S", {L"/S"}, true},
    // /S stands on its own in the line, whatever the split makes of it; the program's name aside.
    {L"Install.exe /DIR=\"C:\\My /S dir\"", {L"/DIR=C:\\My /S dir"}, true},
    {L"Install.exe \"/s\" -S=1 /SILENT", {L"/s", L"-S=1", L"/SILENT"}, true},
    {L"\"C:\\dl /S\\Install.exe\" -S=1 /SILENT x/S", {L"-S=1", L"/SILENT", L"x/S"}},
    {L"Install.exe /DIR=C:\\Qu\u00f6rvane\\\u0416 \u00e9", {L"/DIR=C:\\Qu\u00f6rvane\\\u0416", L"\u00e9"}},
};

TEST(SplitArguments, KeepsTheRulesOfCommandLineToArgvW) {
    for (const Split& split : kSplits) {
        SCOPED_TRACE(testing::Message() << "line: " << testing::PrintToString(std::wstring(split.line)));
        EXPECT_EQ(cmdline::SplitArguments(split.line), split.arguments);
        EXPECT_EQ(cmdline::HasSilentToken(split.line), split.silent);
#ifdef _WIN32
        if (!split.asArgv) continue;
        int count = 0;
        LPWSTR* argv = CommandLineToArgvW(split.line, &count);
        ASSERT_NE(argv, nullptr);
        const std::vector<std::wstring> system(argv + 1, argv + count);
        LocalFree(argv);
        EXPECT_EQ(system, split.arguments) << "the platform splits it otherwise";
#endif
    }
}

}  // namespace
