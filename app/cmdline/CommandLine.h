#pragma once
// app/cmdline owns the command line: the raw line split into arguments as Windows does
// (SplitArguments.h) and the switches read from them (here), with the usage text. The installer's
// switches, for unattended deployment: /S /DIR= /LANG= /LOG= /NOAUTOSTART
// /NOLAUNCH /?, case-insensitive, introduced by / or -. Portable: the program hands over its
// arguments as SplitArguments split them, in UTF-8 (a /DIR= path keeps every character).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cmdline {

struct CommandLine {
    bool Silent = false;
    bool NoAutoStart = false;
    bool NoLaunch = false;
    bool Usage = false;
    std::optional<std::string> Dir;       // absolute path, as given
    std::optional<std::string> Language;  // the translation table's key: "francais" or "anglais"
    std::optional<std::string> Log;       // file name, as given
    // Empty when every argument was understood; otherwise what is wrong with the first bad one.
    // The good switches around it are kept (a /S anywhere still means no window).
    std::string Error;
};

// `silentToken`: the raw command line holds /S as a piece of its own (HasSilentToken). The run is
// then silent even where the split arguments lost the switch, and such a line is bad.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments, bool silentToken = false);

// The usage box's text in the translation table's language ("francais" or "anglais").
std::string UsageText(std::string_view language);

}  // namespace cmdline
