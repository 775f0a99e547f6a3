#pragma once
// The arguments of a Windows command line, split by the rules of CommandLineToArgvW, without
// shell32: the program splits its own command line before its first window shows, and loading
// shell32 (with shlwapi and shcore) only for that would delay it. Portable.
#include <string>
#include <string_view>
#include <vector>

namespace cmdline {

// The arguments after the program's name. Spaces and tabs separate them outside double quotes;
// a quote toggles quoting and is dropped; "" inside quotes is a literal quote that ends them; 2n backslashes
// before a quote give n and the quote acts, 2n+1 give n and a literal quote; other backslashes
// are kept as they are (paths). The program's name ends at its closing quote, or at the first
// space or tab when it is not quoted, and knows no escapes.
// One departure, since no argument of ours holds a quote: backslashes before a quote that ends
// the argument (a space, a tab or the end of the line follows it) are a path's last backslash,
// as in /DIR="C:\Apps\Quorvane\" /S. n of them give (n+1)/2 and the quote only ends the argument;
// CommandLineToArgvW would read an escaped quote there and join the switches after it to the path.
std::vector<std::wstring> SplitArguments(std::wstring_view commandLine);

// Whether a space- or tab-separated piece of the command line after the program's name, its
// quotes left out, is /S or -S in any case: the caller asked for silence, whatever the split.
bool HasSilentToken(std::wstring_view commandLine);

// The argument quoted so that CommandLineToArgvW reads it back whole, and SplitArguments too
// unless a quote in it is followed by a space or a tab.
std::wstring QuoteArgument(std::wstring_view argument);

}  // namespace cmdline
