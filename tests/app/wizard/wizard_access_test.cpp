// The wizard for a screen reader and for the keyboard alone: every control's accessible name as
// oleacc gives it, and the five pages walked with keys only, in both languages.
#include "WizardFixture.h"

#include <oleacc.h>

#include <set>

namespace {

// What a screen reader hears for the control: the name of its client object.
std::string AccessibleName(const ui::Window& control) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control.Handle(), OBJID_CLIENT, __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object))))
        return "<no object>";
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    const HRESULT named = object->get_accName(self, &name);
    const std::string text = named == S_OK && name ? encoding::Narrow(name) : "<no name>";
    SysFreeString(name);
    object->Release();
    return text;
}

#define CONTROL(name) #name, [](TfInstall & f) -> const ui::Window& { return f.name; }
struct Named {
    int page;
    const char* name;
    const ui::Window& (*control)(TfInstall&);
    const char* french;
    const char* english;
};
// The licence pane shown is the one of the language; Next's caption is the one of its page.
// clang-format off
const Named kNames[] = {
    {1, CONTROL(rdoFrench),          "Fran\xE7""ais",                     "Fran\xE7""ais"},
    {1, CONTROL(RdoEnglish),         "English",                           "English"},
    {1, CONTROL(btnBack),            "Pr\xE9""c\xE9""dent",               "Back"},
    {1, CONTROL(BtnClose),           "Annuler",                           "Cancel"},
    {2, CONTROL(memLicenseRaRozoFr), "License d' utilisation:",           "Usage license :"},
    {2, CONTROL(memLicenseRaRozoEn), "License d' utilisation:",           "Usage license :"},
    {2, CONTROL(rdoagree),           "J' accepte",                        "I agree"},
    {2, CONTROL(rdoDeny),            "Je refuse",                         "I disagree"},
    {2, CONTROL(BtnNext),            "Suivant",                           "Next"},
    {3, CONTROL(TxtDir),             "Emplacement :",                     "Path"},
    {3, CONTROL(Directory),          "Emplacement :",                     "Path"},
    {3, CONTROL(BtnNext),            "Installer",                         "Install"},
    {4, CONTROL(ProgBarDL),          "T\xE9l\xE9""chargement de Quorvane", "Downloading Quorvane"},
    {5, CONTROL(chkStartNow),        "D\xE9marrer Quorvane imm\xE9""diatement", "Launch Quorvane immediately"},
    {5, CONTROL(ChkAutoStart),       "Ex\xE9""cution automatique lors de chaque d\xE9marrage de Windows",
                                     "Start automatically with Windows"},
    {5, CONTROL(BtnNext),            "Termin\xE9",                        "Done"},
};
// clang-format on
#undef CONTROL

TEST_F(WizardTest, EveryControlHasItsAccessibleNameInTheLanguage) {
    for (bool english : {false, true}) {
        SCOPED_TRACE(english ? "English" : "French");
        TfInstall& f = Start(kFrench);
        if (english) Click(f.RdoEnglish);  // the names follow the language
        for (int page = 1; page <= 5; ++page) {
            for (const Named& n : kNames)
                if (n.page == page) {
                    EXPECT_EQ(AccessibleName(n.control(f)), english ? n.english : n.french) << n.name;
                }
            if (page == 1) Click(f.BtnNext);
            if (page == 2) {
                Click(f.rdoagree);
                Click(f.BtnNext);
            }
            if (page == 3) {
                f.Cancelled = 1;  // no server here: pages 4 and 5 at once
                Click(f.BtnNext);
            }
        }
        EXPECT_EQ(Page(), 5);
    }
}

// The access key of a caption, upper case; 0 when it has none.
wchar_t AccessKey(HWND control) {
    wchar_t text[256] = {};
    GetWindowTextW(control, text, 256);
    wchar_t* amp = wcschr(text, L'&');
    if (!amp || !amp[1]) return 0;
    CharUpperBuffW(amp + 1, 1);
    return amp[1];
}

class KeyboardWalk : public WizardTest {
protected:
    void Key(WPARAM key) {
        PostMessageW(GetFocus(), WM_KEYDOWN, key, 0);
        PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000000);
        ui::Application::Instance().ProcessMessages();
    }
    // Alt and a letter, as the system sends it.
    void AltKey(wchar_t letter) {
        PostMessageW(GetFocus(), WM_SYSCHAR, letter, 1 << 29);
        ui::Application::Instance().ProcessMessages();
    }
    // Where Tab takes the focus, from the focused control round to it again.
    std::vector<HWND> TabCycle() {
        std::vector<HWND> cycle{GetFocus()};
        for (int i = 0; i < 10; ++i) {
            Key(VK_TAB);
            if (GetFocus() == cycle.front()) return cycle;
            cycle.push_back(GetFocus());
        }
        return cycle;
    }
    // Every button, radio button and check box the user sees has an access key, none twice
    // among everything shown (the page and the band).
    void ExpectUniqueAccessKeys() {
        std::set<wchar_t> keys;
        for (HWND panel = GetWindow(form->Handle(), GW_CHILD); panel; panel = GetWindow(panel, GW_HWNDNEXT)) {
            if (!IsWindowVisible(panel)) continue;
            for (HWND c = GetWindow(panel, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                if (!IsWindowVisible(c)) continue;
                wchar_t kind[16] = {};
                GetClassNameW(c, kind, 16);
                const wchar_t key = AccessKey(c);
                if (lstrcmpiW(kind, L"Button") == 0) {
                    EXPECT_NE(key, 0) << form->Text() << " page " << Page();
                }
                if (key) {
                    EXPECT_TRUE(keys.insert(key).second) << "'" << char(key) << "' twice on page " << Page();
                }
            }
        }
    }
};

TEST_F(KeyboardWalk, KeysAloneWalkTheFivePages) {
    for (LCID locale : {kFrench, kEnglish}) {
        SCOPED_TRACE(locale);
        const bool english = locale == kEnglish;
        TfInstall& f = Start(locale);
        boxes.clear();
        f.Show();
        f.FocusFirstIn(f.PnlStep1);
        ASSERT_EQ(GetFocus(), f.rdoFrench.Handle());  // the language selected
        ExpectUniqueAccessKeys();
        EXPECT_EQ(TabCycle(), (std::vector<HWND>{f.rdoFrench.Handle(), f.BtnNext.Handle()}));
        AltKey(english ? L'e' : L'f');  // the language stays as it was
        Key(VK_RETURN);

        ASSERT_EQ(Page(), 2);
        const ui::Window& pane = english ? static_cast<ui::Window&>(f.memLicenseRaRozoEn) : f.memLicenseRaRozoFr;
        ASSERT_EQ(GetFocus(), pane.Handle());  // the licence, to be read first
        ExpectUniqueAccessKeys();
        EXPECT_EQ(TabCycle(), (std::vector<HWND>{pane.Handle(), f.rdoDeny.Handle(), f.btnBack.Handle()}));
        AltKey(english ? L'a' : L'c');  // I agree
        EXPECT_TRUE(f.rdoagree.Checked());
        Key(VK_RETURN);

        ASSERT_EQ(Page(), 3);
        ASSERT_EQ(GetFocus(), f.TxtDir.Handle());
        ExpectUniqueAccessKeys();
        EXPECT_EQ(TabCycle(), (std::vector<HWND>{f.TxtDir.Handle(), f.Directory.Handle(), f.btnBack.Handle(),
                                                 f.BtnNext.Handle()}));  // Back, then Next, as they show
        Key(VK_ESCAPE);                                                  // Cancel asks; answered No, the page stays
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(Page(), 3);
        f.Cancelled = 1;  // no server here: the download returns at once
        Key(VK_RETURN);

        ASSERT_EQ(Page(), 5);
        ASSERT_EQ(GetFocus(), f.chkStartNow.Handle());
        ExpectUniqueAccessKeys();
        EXPECT_EQ(TabCycle(), (std::vector<HWND>{f.chkStartNow.Handle(), f.ChkAutoStart.Handle(), f.BtnNext.Handle()}));
        Key(VK_SPACE);
        EXPECT_FALSE(f.chkStartNow.Checked());
        AltKey(english ? L's' : L'x');  // the start with Windows
        EXPECT_FALSE(f.ChkAutoStart.Checked());
        Key(VK_RETURN);
        EXPECT_TRUE(f.Closed());
    }
}

}  // namespace
