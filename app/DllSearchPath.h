#pragma once
// The installer runs elevated and is started from the Downloads folder, where anyone can have
// left a DLL named like one Windows loads on demand. Called first thing at start, before any
// such load (RichEdit, the shell's helpers, Winsock's providers).

// Restricts where DLLs loaded by name are looked for to the system folder, and takes the
// current directory out of the search. Loads by full path are not affected.
void RestrictDllSearchPath() noexcept;
