// The installer's own command-line splitter over arbitrary lines: a /S that any split argument
// holds is always seen in the raw line, the switches then make a silent run, and arguments
// without quotes come back whole once quoted again.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/cmdline/CommandLine.h"
#include "app/cmdline/SplitArguments.h"

namespace {

bool IsSilentSwitch(const std::wstring& argument) {
    return argument == L"/S" || argument == L"/s" || argument == L"-S" || argument == L"-s";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One character per byte: the rules only know spaces, tabs, quotes and backslashes.
    const std::wstring line(data, data + size);
    const std::vector<std::wstring> arguments = cmdline::SplitArguments(line);
    std::size_t total = 0;
    for (const std::wstring& argument : arguments) total += argument.size();
    if (total > line.size()) std::abort();

    const bool token = cmdline::HasSilentToken(line);
    if (!token && std::any_of(arguments.begin(), arguments.end(), IsSilentSwitch)) std::abort();
    std::vector<std::string> narrow;
    for (const std::wstring& argument : arguments) narrow.emplace_back(argument.begin(), argument.end());
    const cmdline::CommandLine parsed = cmdline::ParseCommandLine(narrow, token);
    if (parsed.Silent != token) std::abort();

    if (std::any_of(arguments.begin(), arguments.end(),
                    [](const std::wstring& argument) { return argument.find(L'"') != std::wstring::npos; }))
        return 0;
    std::wstring again = L"Install.exe";
    for (const std::wstring& argument : arguments) again += L" " + cmdline::QuoteArgument(argument);
    if (cmdline::SplitArguments(again) != arguments) std::abort();
    return 0;
}
