// Drives the running installer from outside, as a user would, with window messages:
//   wizard_driver wait             waits (up to 20 s) for the wizard window; prints its title
//   wizard_driver rect             prints the window's frame as WxH+X+Y (for cropping screenshots)
//   wizard_driver click CAPTION    clicks the visible, enabled control with that caption
//   wizard_driver closed           waits (up to 20 s) until the wizard window is gone
// Exit status 0 on success, 1 when the window or the control cannot be found.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const wchar_t* const kTitles[] = {L"Installation de Quorvane", L"Quorvane installation"};

HWND FindWizard() {
    for (const wchar_t* title : kTitles) {
        if (HWND hwnd = FindWindowW(L"QuorvaneForm", title)) return hwnd;
    }
    return nullptr;
}

HWND WaitForWizard(bool present) {
    for (int i = 0; i < 200; ++i) {
        HWND hwnd = FindWizard();
        if ((hwnd != nullptr) == present) return hwnd ? hwnd : HWND(1);
        Sleep(100);
    }
    return nullptr;
}

struct Search {
    std::wstring caption;
    HWND found = nullptr;
};

BOOL CALLBACK MatchCaption(HWND child, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    wchar_t text[512];
    GetWindowTextW(child, text, 512);
    if (search->caption == text && IsWindowVisible(child) && IsWindowEnabled(child)) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

int Click(const wchar_t* caption) {
    HWND wizard = WaitForWizard(true);
    if (!wizard) return 1;
    Search search{caption};
    for (int i = 0; i < 50 && !search.found; ++i) {
        EnumChildWindows(wizard, MatchCaption, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(100);
    }
    if (!search.found) {
        std::fwprintf(stderr, L"wizard_driver: no visible, enabled control \"%ls\"\n", caption);
        return 1;
    }
    // Posted, so that a handler which opens a modal box does not hold this program.
    PostMessageW(search.found, BM_CLICK, 0, 0);
    Sleep(300);
    return 0;
}

}  // namespace

// Wide arguments: Wine hands the Unix arguments over as Unicode, accents intact.
int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"wait" || command == L"rect") {
        HWND wizard = WaitForWizard(true);
        if (!wizard) return 1;
        if (command == L"wait") {
            Sleep(500);  // let the first paint finish
            return 0;
        }
        RECT r;
        GetWindowRect(wizard, &r);
        std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
        return 0;
    }
    if (command == L"click" && argc > 2) return Click(argv[2]);
    if (command == L"closed") return WaitForWizard(false) ? 0 : 1;
    std::fprintf(stderr, "usage: wizard_driver wait|rect|closed|click CAPTION\n");
    return 1;
}
