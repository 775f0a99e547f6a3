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
std::vector<std::wstring> SplitArguments(std::wstring_view commandLine);

}  // namespace cmdline
