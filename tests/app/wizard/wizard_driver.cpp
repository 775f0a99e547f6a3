// Drives the running installer from outside, as a user would, with window messages:
//   wizard_driver wait                  waits (up to 20 s) for the wizard window
//   wizard_driver rect                  prints the window's frame as WxH+X+Y (for cropping screenshots)
//   wizard_driver click CAPTION [S]     clicks the visible, enabled control with that caption (an
//                                       access key's '&' or its absence does not matter),
//                                       waiting up to S seconds (default 5) for it
//   wizard_driver type TEXT             replaces the text of the visible edit box (the directory)
//   wizard_driver waittext PREFIX [S]   waits up to S seconds (default 20) until a visible control's
//                                       text starts with PREFIX; prints that text
//   wizard_driver waitpart TEXT [S]     the same for a text holding TEXT anywhere
//   wizard_driver answer CAPTION ID [S] waits up to S seconds (default 20) for the message box with
//                                       that caption, prints its text and presses button ID
//                                       (1 OK, 2 Cancel, 6 Yes, 7 No)
//   wizard_driver fill CAPTION TEXT...  waits (20 s) for the dialog with that caption and puts each
//                                       TEXT into its edit boxes in order (a user name, a password)
//   wizard_driver closed [S]            waits (up to S seconds, default 20) until the wizard is gone
//   wizard_driver product [close]       waits (10 s) for the started product's window, prints its
//                                       frame as WxH+X+Y, and closes it when asked
//   wizard_driver kill                  ends every wizard still open (a failed scenario's, which
//                                       would otherwise answer the next scenario's clicks)
//   wizard_driver run PROGRAM [ARGS...] starts PROGRAM, watches every 10 ms until it ends whether
//                                       any window of its process is visible, and prints
//                                       "exit CODE visible N" (the full exit code, which a Unix
//                                       shell would cut to 8 bits; N: windows seen shown)
//   wizard_driver runline PROGRAM TEXT  the same, with TEXT after PROGRAM's name as it stands: a
//                                       deployment tool's own quoting
// Texts are printed in UTF-8. Exit status 0 on success, 1 when the window or control is not found.
#include "app/cmdline/SplitArguments.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <set>
#include <string>

namespace {

const wchar_t* const kTitles[] = {L"Installation de Quorvane", L"Quorvane installation"};

HWND FindWizard() {
    for (const wchar_t* title : kTitles) {
        if (HWND hwnd = FindWindowW(L"QuorvaneForm", title)) return hwnd;
    }
    return nullptr;
}

// Polls `found` every 100 ms for up to `seconds`.
bool WaitFor(double seconds, const std::function<bool()>& found) {
    for (int i = 0; i <= int(seconds * 10); ++i) {
        if (found()) return true;
        Sleep(100);
    }
    return false;
}

HWND WaitForWizard(bool present, double seconds = 20) {
    HWND hwnd = nullptr;
    bool ok = WaitFor(seconds, [&] {
        hwnd = FindWizard();
        return (hwnd != nullptr) == present;
    });
    if (!ok) return nullptr;
    return hwnd ? hwnd : HWND(1);
}

std::wstring TextOf(HWND hwnd) {
    wchar_t text[1024] = {};
    GetWindowTextW(hwnd, text, 1024);
    return text;
}

void PrintUtf8(const std::wstring& text) {
    char out[4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out, sizeof out - 1, nullptr, nullptr);
    std::printf("%s\n", out);
    std::fflush(stdout);
}

// The first visible child of `parent` for which `match` holds.
HWND FindChild(HWND parent, const std::function<bool(HWND)>& match) {
    struct Search {
        const std::function<bool(HWND)>* match;
        HWND found = nullptr;
    } search{&match};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (!IsWindowVisible(child) || !(*s->match)(child)) return TRUE;
            s->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The first visible child of the wizard for which `match` holds, waited for up to `seconds`;
// null, said on stderr, when none shows.
HWND WaitForControl(const std::wstring& description, double seconds, const std::function<bool(HWND)>& match) {
    HWND wizard = WaitForWizard(true);
    HWND found = nullptr;
    if (wizard) WaitFor(seconds, [&] { return (found = FindChild(wizard, match)) != nullptr; });
    if (!found) std::fwprintf(stderr, L"wizard_driver: no %ls\n", description.c_str());
    return found;
}

void PrintFrame(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
}

// A caption as shown: the '&' that marks an access key is not part of what a user reads.
std::wstring Shown(std::wstring caption) {
    if (auto at = caption.find(L'&'); at != std::wstring::npos) caption.erase(at, 1);
    return caption;
}

int Click(const std::wstring& caption, double seconds) {
    HWND found = WaitForControl(L"visible, enabled control \"" + caption + L"\"", seconds,
                                [&](HWND c) { return IsWindowEnabled(c) && Shown(TextOf(c)) == Shown(caption); });
    if (!found) return 1;
    // Posted, so that a handler which opens a modal box or downloads does not hold this program.
    PostMessageW(found, BM_CLICK, 0, 0);
    Sleep(300);
    return 0;
}

int Type(const std::wstring& text) {
    HWND wizard = WaitForWizard(true);
    if (!wizard) return 1;
    HWND edit = FindChild(wizard, [](HWND c) {
        wchar_t cls[32] = {};
        GetClassNameW(c, cls, 32);
        return _wcsicmp(cls, L"Edit") == 0;
    });
    if (!edit) return 1;
    // WM_SETTEXT raises the edit box's change notice, as typing does.
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return 0;
}

// anywhere: the text holds `prefix` anywhere, not only at its start.
int WaitText(const std::wstring& prefix, double seconds, bool anywhere = false) {
    HWND found = WaitForControl(L"visible text with \"" + prefix + L"\"", seconds, [&](HWND c) {
        const std::size_t at = TextOf(c).find(prefix);
        return anywhere ? at != std::wstring::npos : at == 0;
    });
    if (!found) return 1;
    PrintUtf8(TextOf(found));
    return 0;
}

// The visible dialog (a message box or another #32770 window) with that caption, or null.
HWND WaitForBox(const std::wstring& caption, double seconds) {
    HWND box = nullptr;
    const bool shown = WaitFor(seconds, [&] {
        box = FindWindowW(L"#32770", caption.c_str());
        return box != nullptr && IsWindowVisible(box);
    });
    if (!shown) {
        std::fwprintf(stderr, L"wizard_driver: no message box \"%ls\"\n", caption.c_str());
        return nullptr;
    }
    Sleep(200);  // let it finish drawing
    return box;
}

// Types texts[i] into the dialog's i-th edit box, in the order the dialog made them.
int Fill(const std::wstring& caption, int count, wchar_t** texts) {
    HWND box = WaitForBox(caption, 20);
    if (!box) return 1;
    HWND edit = nullptr;
    for (int i = 0; i < count; ++i) {
        edit = FindWindowExW(box, edit, L"Edit", nullptr);
        if (!edit) {
            std::fwprintf(stderr, L"wizard_driver: \"%ls\" has fewer than %d edit boxes\n", caption.c_str(), count);
            return 1;
        }
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(texts[i]));
    }
    return 0;
}

int Answer(const std::wstring& caption, int button, double seconds) {
    HWND box = WaitForBox(caption, seconds);
    if (!box) return 1;
    PrintUtf8(TextOf(GetDlgItem(box, 0xFFFF)));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    Sleep(300);
    return 0;
}

int Product(bool close) {
    HWND window = nullptr;
    if (!WaitFor(10, [&] { return (window = FindWindowW(L"QuorvaneDemo", nullptr)) != nullptr; })) {
        std::fprintf(stderr, "wizard_driver: the product's window did not appear\n");
        return 1;
    }
    Sleep(500);  // let it paint
    PrintFrame(window);
    if (close) PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
}

// Only installers: the wizard's tests show the same window inside their own test programs, which
// may run beside the scenarios.
bool IsInstaller(HANDLE process) {
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (!QueryFullProcessImageNameW(process, 0, image, &size)) return false;
    const wchar_t* name = std::wcsrchr(image, L'\\');
    return _wcsnicmp(name ? name + 1 : image, L"Install", 7) == 0;
}

int KillWizards() {
    std::set<DWORD> tried;
    for (HWND wizard = nullptr; (wizard = FindWindowExW(nullptr, wizard, L"QuorvaneForm", nullptr));) {
        DWORD pid = 0;
        GetWindowThreadProcessId(wizard, &pid);
        if (!tried.insert(pid).second) continue;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
        if (!process) continue;
        if (IsInstaller(process) && TerminateProcess(process, 1602)) WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
    return 0;
}

// `raw`: the arguments after the program are one text, put on the command line as it stands.
int Run(int argc, wchar_t** argv, bool raw) {
    std::wstring line = cmdline::QuoteArgument(argv[2]);
    for (int i = 3; i < argc; ++i) line += L" " + (raw ? std::wstring(argv[i]) : cmdline::QuoteArgument(argv[i]));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fwprintf(stderr, L"wizard_driver: cannot start %ls\n", argv[2]);
        return 1;
    }
    struct Watch {
        DWORD pid;
        std::set<HWND> shown;
    } watch{process.dwProcessId, {}};
    const auto look = [](HWND window, LPARAM param) -> BOOL {
        auto* w = reinterpret_cast<Watch*>(param);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == w->pid && IsWindowVisible(window)) w->shown.insert(window);
        return TRUE;
    };
    do {
        EnumWindows(look, reinterpret_cast<LPARAM>(&watch));
    } while (WaitForSingleObject(process.hProcess, 10) == WAIT_TIMEOUT);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("exit %lu visible %zu\n", static_cast<unsigned long>(code), watch.shown.size());
    return 0;
}

double Seconds(int argc, wchar_t** argv, int index, double fallback) {
    return argc > index ? _wtof(argv[index]) : fallback;
}

}  // namespace

// Wide arguments: Wine hands the Unix arguments over as Unicode, accents intact.
int wmain(int argc, wchar_t** argv) {
    // Real pixels, as the installer (DPI aware) and a screenshot see them, at any DPI.
    SetProcessDPIAware();
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"wait" || command == L"rect") {
        HWND wizard = WaitForWizard(true);
        if (!wizard) return 1;
        if (command == L"wait") {
            Sleep(500);  // let the first paint finish
            return 0;
        }
        PrintFrame(wizard);
        return 0;
    }
    if (command == L"click" && argc > 2) return Click(argv[2], Seconds(argc, argv, 3, 5));
    if (command == L"type" && argc > 2) return Type(argv[2]);
    if (command == L"waittext" && argc > 2) return WaitText(argv[2], Seconds(argc, argv, 3, 20));
    if (command == L"waitpart" && argc > 2) return WaitText(argv[2], Seconds(argc, argv, 3, 20), true);
    if (command == L"fill" && argc > 3) return Fill(argv[2], argc - 3, argv + 3);
    if (command == L"answer" && argc > 3) return Answer(argv[2], _wtoi(argv[3]), Seconds(argc, argv, 4, 20));
    if (command == L"run" && argc > 2) return Run(argc, argv, false);
    if (command == L"runline" && argc == 4) return Run(argc, argv, true);
    if (command == L"product") return Product(argc > 2 && std::wstring(argv[2]) == L"close");
    if (command == L"kill") return KillWizards();
    if (command == L"closed") return WaitForWizard(false, Seconds(argc, argv, 2, 20)) ? 0 : 1;
    std::fprintf(stderr,
                 "usage: wizard_driver wait|rect|closed [S]|click CAPTION [S]|type TEXT|"
                 "waittext PREFIX [S]|waitpart TEXT [S]|answer CAPTION ID [S]|fill CAPTION TEXT...|product [close]|"
                 "kill|run PROGRAM [ARGS...]|runline PROGRAM TEXT\n");
    return 1;
}
