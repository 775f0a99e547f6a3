#pragma once
// The installer runs elevated and is started from the Downloads folder, where anyone can have
// left a DLL named like one Windows loads on demand. Called first thing at start, before any
// such load (RichEdit, the shell's helpers, Winsock's providers).
#include <initializer_list>

// Restricts where DLLs loaded by name are looked for to the system folder, and takes the
// current directory out of the search. Loads by full path are not affected.
void RestrictDllSearchPath() noexcept;

// Loads each DLL (a file name) from the system folder by its full path, for the DLLs that
// Windows' own components load by name on their own: a later load by name finds it already
// loaded, whatever search that loader makes (Windows 7 without KB2533623 keeps the program's
// folder in it; so do the delay-loads of Wine's own DLLs).
void LoadFromSystemFolder(std::initializer_list<const wchar_t*> names) noexcept;
