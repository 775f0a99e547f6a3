# The KnownDLLs the installer relies on: Windows maps them from its \KnownDlls section and never
# looks for them in a folder, so a DLL of that name left beside Install.exe is never loaded. Each
# is a value of HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs on Windows 10 and
# 11 (and was already on Windows 7). Add a name only after checking it there. Read by the imports
# check (only these may be loaded at the program's start) and by the test that plants DLLs beside
# the installer (which plants every other name it loads).
set(QUORVANE_KNOWN_DLLS advapi32 comdlg32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 shlwapi user32 ws2_32)
