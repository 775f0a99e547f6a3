# The system DLLs the installer loads, in two kinds. Read by the imports check (tests/app/main/
# CheckImports.cmake) and by the e2e scenario that plants DLLs beside the installer.
#
# The KnownDLLs it relies on: Windows maps them from its \KnownDlls section and never looks for
# them in a folder, so a DLL of that name left beside Install.exe is never loaded. Each is a value
# of HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs on Windows 10 and 11 (and
# was already on Windows 7). Add a name only after checking it there. Only these may be loaded at
# the program's start.
set(QUORVANE_KNOWN_DLLS advapi32 comdlg32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 shlwapi user32 ws2_32)
# The others it uses: Windows looks for them along the search path, so they are only ever loaded
# on first use, after RestrictDllSearchPath() has limited the search to the system folder. The
# e2e scenario plants each of them beside the installer.
set(QUORVANE_SEARCHED_DLLS bcrypt comctl32 crypt32 rstrtmgr secur32 uxtheme winhttp)
