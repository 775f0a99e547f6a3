// The form's controls at their places, sizes, fonts and initial states. Coordinates are 96-DPI
// units relative to the parent panel; the framework scales them to the form's DPI. Colours are
// the system's (COLOR_*), so that a high contrast theme holds; only the logo keeps its own.
#include "app/wizard/WizardForm.h"

#include "app/wizard/LicenseText.h"

#include "ProductInfo.h"
#include "resources/resource.h"

namespace {

constexpr int kPageWidth = 424, kPageHeight = 337;
constexpr DWORD kTreeStyles = TVS_HASBUTTONS | TVS_HASLINES | TVS_SHOWSELALWAYS;

ui::LabelStyle Wrapped() {
    ui::LabelStyle s;
    s.wordWrap = true;
    return s;
}

ui::LabelStyle AutoSized(ui::Alignment alignment = ui::Alignment::Left) {
    ui::LabelStyle s;
    s.autoSize = true;
    s.alignment = alignment;
    return s;
}

ui::LabelStyle RightAligned() {
    ui::LabelStyle s;
    s.alignment = ui::Alignment::Right;
    return s;
}

}  // namespace

TfInstall* fInstall = nullptr;

void TfInstall::BuildLayout() {
    ui::FontStyle body;  // "MS Sans Serif", 8 point
    Create("Installation de Quorvane", 424, 367, body);
    MakeFont(titleFont_, {L"Times New Roman", 13, true, true, ANSI_CHARSET});
    MakeFont(subtitleFont_, {L"Times New Roman", 12, false, false, ANSI_CHARSET});
    MakeFont(bodyFont_, body);
    MakeFont(bodyBoldFont_, {body.face, body.height, true, false, body.charset});
    MakeFont(promptFont_, {body.face, body.height, true, true, body.charset});
    MakeFont(linkFont_, {body.face, body.height, false, true, body.charset});

    // Creation order is the Tab order: page 2 first, then the band, then the other pages. Only one
    // page shows at a time, so their drawing order never matters.
    const ui::Bounds page{0, 0, kPageWidth, kPageHeight};
    const ui::PaneStyle hidden{.visible = false};
    PnlStep2.Create(*this, page, hidden);
    PnlBottom.Create(*this, {0, 337, 424, 32});
    PnlStep1.Create(*this, page);
    PnlStep4.Create(*this, page, hidden);
    PnlStep3.Create(*this, page, hidden);
    Pnlstep5.Create(*this, page, hidden);

    BuildHeaders(true);
    BuildPage1();
    BuildBottom();
}

// Each panel's header comes before its page, so the Tab order within a page stays as laid out.
void TfInstall::BuildOtherLayout() {
    BuildHeaders(false);
    BuildPage2();
    BuildPage3();
    BuildPage4();
    BuildPage5();
}

// Page 1's header, or those of the other pages.
void TfInstall::BuildHeaders(bool pageOne) {
    struct Header {
        ui::Panel& panel;
        ui::Shape& band;
        ui::Bevel& line;
        ui::Picture& logo;
        ui::Label& title;
        const char* titleText;
        ui::Label& subtitle;
        int subtitleWidth;
        const char* subtitleText;
    };
    const Header headers[] = {
        {PnlStep1, Shape1, Bevel2, Image2, Label1, "Bienvenue \xE0 l'installation de Quorvane", Label2, 312,
         "Nous vous invitons \xE0 suivre ces quelques \xE9tapes afin d'installer Quorvane sur votre syst\xE8me"},
        {PnlStep2, Shape4, Bevel1, Image1, Label19, "License d'utilisation :", Label20, 312,
         "Veuillez lire attentivement ces conditions g\xE9n\xE9rales avant d'utiliser ce logiciel"},
        {PnlStep3, Shape3, Bevel4, Image4, Label6, "Emplacement de Quorvane", Label7, 342,
         "Choisissez le r\xE9pertoire d\xE9sir\xE9 pour l'installation de Quorvane ou appuyez sur 'Suivant' "
         "si l'emplacement par defaut vous conviens"},
        {PnlStep4, Shape2, Bevel3, Image3, Label4, "T\xE9l\351chargement de Quorvane", Label5, 312,
         "Lors du premier d\xE9marrage de Quorvane, vous ser\xE9 inviter \xE0 cr\351er votre domaine sur le "
         "serveur de Quorvane"},
        {Pnlstep5, Shape5, Bevel5, Image5, Label9, "Installation de Quorvane termin\xE9", Label10, 312,
         "Nous vous remercions de faire confiance \xE0 Quorvane"},
    };
    for (const Header& h : headers) {
        if ((&h.panel == &PnlStep1) != pageOne) continue;
        // The band (white, as the window colour) fills the panel's inner area under its one-pixel border.
        h.band.Create(h.panel, {1, 1, 422, 65}, COLOR_WINDOW);
        h.line.Create(h.panel, {0, 66, 483, 2});
        h.logo.Create(h.panel, {366, 3, 49, 57}, IDB_LOGO);
        h.title.Create(h.panel, {8, 8, 0, 15}, h.titleText, AutoSized());
        h.title.SetFont(titleFont_);
        h.subtitle.Create(h.panel, {20, 25, h.subtitleWidth, 32}, h.subtitleText, Wrapped());
        h.subtitle.SetFont(subtitleFont_);
    }
}

// The short labels fit their text: the English captions are longer than the laid-out French
// ones, and a right-aligned prefix grows to the left, away from the link beside it.
void TfInstall::BuildPage1() {
    Label3.Create(PnlStep1, {24, 152, 209, 13}, "Choissez votre langue d'installation :", AutoSized());
    Label3.SetFont(promptFont_);
    rdoFrench.Create(PnlStep1, {40, 176, 81, 17}, "Francais", {.checked = true, .firstOfGroup = true});
    rdoFrench.SetFont(bodyFont_);
    RdoEnglish.Create(PnlStep1, {40, 200, 73, 17}, "English");
    RdoEnglish.SetFont(bodyFont_);
}

// The licence before the choice about it, in the Tab order as on the page.
void TfInstall::BuildPage2() {
    const ui::Bounds pane{15, 96, 394, 193};
    memLicenceEn.Create(PnlStep2, pane, {.visible = false});
    memLicenseEntreFr.Create(PnlStep2, pane);
    memLicenseProFr.Create(PnlStep2, pane);
    memLicenseRaRozoFr.Create(PnlStep2, pane);
    memLicenseRaRozoEn.CreateOnFirstUse(PnlStep2, pane);
    rdoagree.Create(PnlStep2, {126, 304, 78, 17}, "J'accepte", {.firstOfGroup = true});
    rdoagree.SetFont(bodyFont_);
    rdoDeny.Create(PnlStep2, {222, 304, 78, 17}, "Je refuse", {.checked = true});
    rdoDeny.SetFont(bodyFont_);
}

// The RichEdit pane is made, the texts go into the panes, and the bold runs are set, when page 2
// first shows: page 1 would otherwise wait for all of it.
void TfInstall::LoadLicenseTexts() {
    if (!licenseEnText_.empty()) return;
    memLicenseRaRozoEn.EnsureCreated();
    // A missing text leaves its pane empty.
    memLicenceEn.SetText(LoadTextResource(IDR_LICENSE_GENERAL_EN));
    memLicenseEntreFr.SetText(LoadTextResource(IDR_LICENSE_ENTERPRISE_FR));
    memLicenseProFr.SetText(LoadTextResource(IDR_LICENSE_PRO_FR));
    memLicenseRaRozoFr.SetText(LoadTextResource(IDR_LICENSE_BASIC_FR));
    licenseEnText_ = LoadTextResource(IDR_LICENSE_BASIC_EN);
    memLicenseRaRozoEn.SetText(licenseEnText_);
    FormatLicenseText();
}

void TfInstall::BuildPage3() {
    // Just before the box: it names the box for screen readers, and its access key reaches it.
    ui::LabelStyle boxLabel = AutoSized();
    boxLabel.accessKey = true;
    Label8.Create(PnlStep3, {16, 80, 70, 13}, "&Emplacement :", boxLabel);
    Label8.SetFont(bodyFont_);
    TxtDir.Create(PnlStep3, {16, 96, 393, 21});
    Directory.Create(PnlStep3, {16, 123, 393, 201}, {.styles = kTreeStyles, .indent = 19});
}

void TfInstall::BuildPage4() {
    // The labels that change during the download paint their own background: a transparent static
    // draws its new text at once over the old one, and between two chunks the page may not have
    // repainted beneath it yet. They sit on the plain page, so nothing shows through anyway.
    auto opaque = [](ui::LabelStyle s) {
        s.transparent = false;
        return s;
    };
    LblStatus.Create(PnlStep4, {16, 163, 0, 13}, "Statut : En attente", opaque(AutoSized()));
    LblStatus.SetFont(bodyFont_);
    ProgBarDL.Create(PnlStep4, {14, 180, 398, 16});
    ProgBarDL.DrawUnthemed();  // the system's highlight colour, which a high contrast theme sets
    LblFN.Create(PnlStep4, {19, 208, 0, 13}, "", opaque(AutoSized()));
    // Right-aligned and sized to its text: it grows to the left from its right edge at 393.
    LblBytes.Create(PnlStep4, {393, 208, 0, 13}, "", opaque(AutoSized(ui::Alignment::Right)));
    LblPace.Create(PnlStep4, {19, 228, 0, 13}, "", opaque(AutoSized()));
    // One line at 9, 312; a font wider than the text was made for wraps it, and the second line
    // goes above the first rather than off the page's foot.
    ui::LabelStyle note = RightAligned();
    note.growUpward = true;
    Label12.Create(PnlStep4, {9, 312, 405, 13},
                   "Le t\xE9l\351chargement peut prendre quelques minutes selon la vitesse de votre connexion", note);
}

void TfInstall::BuildPage5() {
    // Empty until the release manifest is accepted on page 4.
    LblVersion.Create(Pnlstep5, {24, 104, 369, 13}, "", ui::LabelStyle());
    LblVersion.SetFont(bodyFont_);
    Label11.Create(Pnlstep5, {24, 128, 184, 13}, "Installation termin\xE9 avec succ\xE8s", AutoSized());
    Label11.SetFont(bodyBoldFont_);
    chkStartNow.Create(Pnlstep5, {48, 160, 249, 17}, "D\xE9marrer Quorvane imm\351diatement", {.checked = true});
    chkStartNow.SetFont(bodyFont_);
    ChkAutoStart.Create(Pnlstep5, {48, 184, 369, 17},
                        "Ex\351cution automatiquement lors de chaque d\xE9marrage de Windows", {.checked = true});
    ChkAutoStart.SetFont(bodyFont_);
    Label14.Create(Pnlstep5, {220, 288, 60, 13}, "Site officiel : ", AutoSized(ui::Alignment::Right));
    Label14.SetFont(bodyFont_);
    ui::LabelStyle link;
    link.textColor = COLOR_HOTLIGHT;  // the system's colour of links
    link.handCursor = true;
    Label13.Create(Pnlstep5, {282, 288, 133, 13}, kProductWebSite, link);
    Label13.SetFont(linkFont_);
    Label15.Create(Pnlstep5, {236, 312, 44, 13}, "Courriel : ", AutoSized(ui::Alignment::Right));
    Label15.SetFont(bodyFont_);
    Label16.Create(Pnlstep5, {282, 312, 115, 13}, kSupportEmail, link);
    Label16.SetFont(linkFont_);
}

void TfInstall::BuildBottom() {
    // Back before Next in the Tab order, as they show from left to right.
    btnBack.Create(PnlBottom, {96, 5, 93, 22}, "&Pr\351cedent");
    btnBack.SetEnabled(false);
    BtnNext.Create(PnlBottom, {200, 5, 93, 22}, "&Suivant", {.isDefault = true});
    BtnClose.Create(PnlBottom, {317, 5, 93, 22}, "&Annuler");
    SetDefaultButton(&BtnNext);
    SetCancelButton(&BtnClose);  // Escape, with Cancel's own question
}

void TfInstall::RegisterCaptions() {
    captioned_ = {
        {"TfInstall", this},           {"Label4", &Label4},
        {"Label5", &Label5},           {"LblStatus", &LblStatus},
        {"Label12", &Label12},         {"Label6", &Label6},
        {"Label7", &Label7},           {"Label8", &Label8},
        {"Label19", &Label19},         {"Label20", &Label20},
        {"rdoagree", &rdoagree},       {"rdoDeny", &rdoDeny},
        {"Label1", &Label1},           {"Label2", &Label2},
        {"Label3", &Label3},           {"rdoFrench", &rdoFrench},
        {"RdoEnglish", &RdoEnglish},   {"Label9", &Label9},
        {"Label10", &Label10},         {"Label11", &Label11},
        {"Label14", &Label14},         {"Label13", &Label13},
        {"Label15", &Label15},         {"Label16", &Label16},
        {"chkStartNow", &chkStartNow}, {"ChkAutoStart", &ChkAutoStart},
        {"BtnClose", &BtnClose},       {"BtnNext", &BtnNext},
        {"btnBack", &btnBack},
    };
}

void TfInstall::SetCaption(std::string_view control, const std::string& text) {
    auto it = captioned_.find(control);
    if (it != captioned_.end()) it->second->SetText(text);
}
