// The wizard on another monitor's DPI and in other system colours. Both change the whole Wine
// session (a process takes its DPI from the prefix's LogPixels when it starts; SetSysColors is
// system-wide), so this program runs in a prefix of its own (tests/app/wizard/CMakeLists.txt).
#include "WizardFixture.h"
#include "WizardLayout.h"
#include "app/download/DownloadServer.h"
#include "tests/support/TemporaryFiles.h"
#include "tests/support/WholeFile.h"

#include <array>
#include <algorithm>
#include <map>
#include <sstream>

namespace {

// The layout of a form in a process that starts while the prefix says `dpi`: wizard_layout.exe,
// beside this program, started with the desktop's LogPixels set, then the value removed again.
std::vector<std::string> LayoutOfAProcessStartedAt(DWORD dpi) {
    HKEY desktop = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_SET_VALUE, &desktop) != ERROR_SUCCESS)
        return {"no desktop key"};
    RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    *(wcsrchr(program, L'\\') + 1) = 0;
    lstrcatW(program, L"wizard_layout.exe");
    testsupport::TemporaryFile out("quorvane-layout.txt");
    std::wstring command = L"\"" + std::wstring(program) + L"\" \"" + encoding::WidenPath(out.Path()) + L"\"";
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    const bool started =
        CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process);
    if (started) {
        WaitForSingleObject(process.hProcess, 60000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    RegDeleteValueW(desktop, L"LogPixels");
    RegCloseKey(desktop);
    std::vector<std::string> lines;
    std::istringstream text(testsupport::ReadWholeFile(out.Path()));
    for (std::string line; std::getline(text, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// What WM_DPICHANGED carries when the form is dragged onto a monitor of `dpi`.
void MoveToMonitorOf(TfInstall& f, int dpi) {
    RECT frame;
    GetWindowRect(f.Handle(), &frame);
    RECT suggested{frame.left, frame.top, frame.left + MulDiv(frame.right - frame.left, dpi, f.Dpi()),
                   frame.top + MulDiv(frame.bottom - frame.top, dpi, f.Dpi())};
    SendMessageW(f.Handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

// Every control, font and the logo, where a process started at 144 DPI has them; and back.
TEST_F(WizardTest, DpiChangeLaysTheFormOutAsAStartAtThatDpi) {
    const std::vector<std::string> at144 = LayoutOfAProcessStartedAt(144);
    ASSERT_FALSE(at144.empty());
    ASSERT_EQ(at144[0].rfind("dpi 144,", 0), 0u) << at144[0];
    TfInstall& f = Start(kEnglish);
    f.LoadLicenseTexts();
    ASSERT_EQ(f.Dpi(), 96);
    const std::vector<std::string> at96 = LayoutOf(f);
    MoveToMonitorOf(f, 144);
    EXPECT_EQ(LayoutOf(f), at144);
    f.memLicenseRaRozoEn.SetSelection(0, 1);  // the licence's first words stay bold in the new font
    EXPECT_TRUE(f.memLicenseRaRozoEn.SelectionBold());
    MoveToMonitorOf(f, 96);
    EXPECT_EQ(LayoutOf(f), at96);
}

// A colour for each system colour, none of them one that a program would pick.
constexpr int kSystemColours = COLOR_MENUBAR + 1;
COLORREF Unusual(int index) { return RGB(23 + 7 * index, 91 + 3 * index, 167 - 4 * index); }

// Sets the unusual colours for the test, the old ones back at its end.
class SystemColours {
public:
    SystemColours() {
        std::array<int, kSystemColours> indices{};
        std::array<COLORREF, kSystemColours> colours{};
        for (int i = 0; i < kSystemColours; ++i) {
            indices[i] = i;
            old_[i] = GetSysColor(i);
            colours[i] = Unusual(i);
        }
        SetSysColors(kSystemColours, indices.data(), colours.data());
    }
    ~SystemColours() {
        std::array<int, kSystemColours> indices{};
        for (int i = 0; i < kSystemColours; ++i) indices[i] = i;
        SetSysColors(kSystemColours, indices.data(), old_.data());
    }

private:
    std::array<COLORREF, kSystemColours> old_{};
};

// The colours on screen in the form's client area and how often each shows, the logo left out.
std::map<COLORREF, int> ColoursShown(const TfInstall& f, const ui::Window& logo) {
    RedrawWindow(f.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ui::Application::Instance().ProcessMessages();
    RECT client, skip;
    GetClientRect(f.Handle(), &client);
    GetWindowRect(logo.Handle(), &skip);
    MapWindowPoints(nullptr, f.Handle(), reinterpret_cast<POINT*>(&skip), 2);
    POINT origin{0, 0};
    ClientToScreen(f.Handle(), &origin);
    HDC screen = GetDC(nullptr);
    HDC copy = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ before = SelectObject(copy, canvas);
    BitBlt(copy, 0, 0, client.right, client.bottom, screen, origin.x, origin.y, SRCCOPY);
    std::map<COLORREF, int> shown;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x) {
            const POINT p{x, y};
            if (!PtInRect(&skip, p)) ++shown[GetPixel(copy, x, y)];
        }
    SelectObject(copy, before);
    DeleteObject(canvas);
    DeleteDC(copy);
    ReleaseDC(nullptr, screen);
    return shown;
}

// A system colour, or a blend of two where smoothed text meets its background (each channel on
// its own: sub-pixel smoothing). The unusual colours all lie well inside the colour cube, so
// white, black or a pure blue is never a blend.
bool SystemOrBlend(COLORREF c, const std::vector<COLORREF>& system) {
    auto channel = [](COLORREF colour, int shift) { return static_cast<int>((colour >> shift) & 0xFF); };
    for (COLORREF a : system) {
        for (COLORREF b : system) {
            bool between = true;
            for (int shift : {0, 8, 16}) {
                const int low = std::min(channel(a, shift), channel(b, shift));
                const int high = std::max(channel(a, shift), channel(b, shift));
                between = between && channel(c, shift) >= low && channel(c, shift) <= high;
            }
            if (between) return true;
        }
    }
    return false;
}

// With other system colours, as a high contrast theme sets them (the prefix has no visual style,
// as under it), every page paints in the system's colours alone, the logo's own pixels aside.
TEST_F(WizardTest, EveryPagePaintsInTheSystemColoursAfterTheyChange) {
    TfInstall& f = Start(kEnglish);
    f.Show();
    f.LoadLicenseTexts();
    f.ProgBarDL.SetPosition(50);
    const SystemColours colours;  // after the form was made: it must follow the change
    ui::Application::Instance().ProcessMessages();
    std::vector<COLORREF> system;
    for (int i = 0; i < kSystemColours; ++i) system.push_back(GetSysColor(i));
    const ui::Picture* logos[] = {&f.Image2, &f.Image1, &f.Image4, &f.Image3, &f.Image5};
    for (int page = 1; page <= 5; ++page) {
        f.ShowSteps(page == 1, page == 2, page == 3, page == 4, page == 5);
        for (const auto& [colour, pixels] : ColoursShown(f, *logos[page - 1])) {
            EXPECT_TRUE(SystemOrBlend(colour, system))
                << "page " << page << ": " << pixels << " pixels of colour " << std::hex << colour;
        }
    }
}

}  // namespace

const char* DownloadServer() { return "127.0.0.1:1"; }
