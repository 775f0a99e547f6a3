#pragma once
// Our texts are Windows-1252 bytes; the controls are Unicode windows, so they display the same
// whatever the system's ANSI code page is.
#include <string>
#include <string_view>

namespace ui {

std::wstring Widen(std::string_view cp1252);
std::string Narrow(std::wstring_view utf16);

}  // namespace ui
