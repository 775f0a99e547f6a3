#include "i18n/traducteur.h"

#include "ProductInfo.h"

namespace {

struct TextPair {
    const char* french;
    const char* english;
};

// Index 0 is unused: texts are numbered from 1.
// clang-format off
constexpr TextPair kTexts[tTranslate::kTextCount + 1] = {
    {"", ""},
    /*  1 */ {"\\Quorvane\\RaRozo\\",
              "\\Quorvane\\Basic\\"},
    /*  2 */ {"\\Quorvane\\Professionnelle\\",
              "\\Quorvane\\Professional\\"},
    /*  3 */ {"\\Quorvane\\Entreprise\\",
              "\\Quorvane\\Enterprise\\"},
    /*  4 */ {"Impossible de cr\xE9""er le r\xE9pertoire. V\xE9rifier la syntaxe.",
              "Cannot create the directory. Check the syntax."},
    /*  5 */ {"Op\xE9ration annul\xE9""e",
              "Process canceled"},
    /*  6 */ {"Il existe d\xE9j\xE0 une version de Quorvane dans le r\xE9pertoire s\xE9lectionn\xE9. \xCAtes-vous certain de vouloir la remplacer ?",
              "There is already a version of Quorvane in the selected directory. Do you wish to overwrite it ?"},
    /*  7 */ {"R\xE9pertoire non-vide",
              "Directory not empty"},
    /*  8 */ {"C:\\Program Files\\Quorvane\\RaRozo\\",
              "C:\\Program Files\\Quorvane\\Basic\\"},
    /*  9 */ {"C:\\Program Files\\Quorvane\\Professionnelle\\",
              "C:\\Program Files\\Quorvane\\Professional\\"},
    /* 10 */ {"C:\\Program Files\\Quorvane\\Entreprise\\",
              "C:\\Program Files\\Quorvane\\Enterprise\\"},
    /* 11 */ {"Installation termin\xE9""e. D\xE9sirez-vous ex\xE9""cuter Quorvane imm\xE9""diatement ?",
              "Installation done. Do you want to execute Quorvane immediately ?"},
    /* 12 */ {"Termin\xE9",
              "Done"},
    /* 13 */ {"D\xE9sirez-vous que Quorvane s'ex\xE9""cute automatiquement lors de chaque d\xE9marrage de Windows?",
              "Do you to want execute Quorvane automatically when Windows start up ?"},
    /* 14 */ {"D\xE9marrage automatique",
              "Automatic startup"},
    /* 15 */ {"Quorvane De Base.Lnk",
              "Quorvane Basic.Lnk"},
    /* 16 */ {"Quorvane Professionnelle.Lnk",
              "Quorvane Professional.Lnk"},
    /* 17 */ {"Quorvane Entreprise.Lnk",
              "Quorvane Enterprise.Lnk"},
    /* 18 */ {"Quorvane\\RaRozo\\",
              "Quorvane\\Basic\\"},
    /* 19 */ {"Quorvane\\Professionnelle\\",
              "Quorvane\\Professional\\"},
    /* 20 */ {"Quorvane\\Entreprise\\",
              "Quorvane\\Enterprise\\"},
    /* 21 */ {"Statut : Recherche du serveur Quorvane",
              "Status : Looking for Quorvane server"},
    /* 22 */ {"Serveur ou mise \xE0 jour introuvable",
              "Server or update not found"},
    /* 23 */ {"Processus interrompu",
              "Interrupted process"},
    /* 24 */ {"Statut : T\xE9l\xE9""chargement de ",
              "Status : Downloading "},
    /* 25 */ {"\xCAtes-vous certain de vouloir arr\xEAter l'installation de Quorvane?",
              "Are you sure you want to cancel the installation of Quorvane?"},
    /* 26 */ {"Suspendre?",
              "Suspend?"},
    /* 27 */ {"Version de base",
              "Basic version"},
    /* 28 */ {"Version Professionnelle",
              "Professional version"},
    /* 29 */ {"Version Entreprise",
              "Enterprise version"},
    /* 30 */ {"&Suivant",
              "&Next"},
    /* 31 */ {"&Installer",
              "&Install"},
    /* 32 */ {"&Termin\xE9",
              "&Done"},
    /* 33 */ {"Statut : Cr\xE9""ation des raccourcis",
              "Status : Creation of shortcuts"},
    /* 34 */ {"Statut : Enregistrement du d\xE9sinstallateur",
              "Status : Registration of uninstall"},
    /* 35 */ {"Statut : Nouvel essai de t\xE9l\xE9""chargement de ",
              "Status : Trying again to download "},
    /* 36 */ {"Authentification du proxy",
              "Proxy authentication"},
    /* 37 */ {"Le proxy %s demande un nom d'utilisateur et un mot de passe pour t\xE9l\xE9""charger Quorvane.",
              "The proxy %s asks for a user name and password to download Quorvane."},
    /* 38 */ {"&Nom d'utilisateur :",
              "&User name:"},
    /* 39 */ {"&Mot de passe :",
              "&Password:"},
    /* 40 */ {"OK",
              "OK"},
    /* 41 */ {"Annuler",
              "Cancel"},
    /* 42 */ {",",
              "."},
    /* 43 */ {"octets",
              "bytes"},
    /* 44 */ {"ko",
              "kB"},
    /* 45 */ {"Mo",
              "MB"},
    /* 46 */ {"Go",
              "GB"},
    /* 47 */ {"%1 sur %2",
              "%1 of %2"},
    /* 48 */ {"environ %1 restantes",
              "about %1 left"},
    /* 49 */ {"Nouvel essai dans %1",
              "Trying again in %1"},
    /* 50 */ {"Fichiers en cours d'utilisation",
              "Files in use"},
    /* 51 */ {"Quorvane ne peut pas \xEAtre install\xE9 tant que ces fichiers sont utilis\xE9s :",
              "Quorvane cannot be installed while these files are in use:"},
    /* 52 */ {"Quorvane ne peut pas \xEAtre d\xE9sinstall\xE9 tant que ces fichiers sont utilis\xE9s :",
              "Quorvane cannot be uninstalled while these files are in use:"},
    /* 53 */ {"Programmes qui les utilisent :",
              "Programs using them:"},
    /* 54 */ {"Fermez-les, puis cliquez sur R\xE9""essayer. Annuler arr\xEAte sans rien modifier.",
              "Close them, then click Retry. Cancel stops without changing anything."},
    /* 55 */ {"D\xE9sinstallation de Quorvane",
              "Quorvane uninstall"},
    /* 56 */ {"Voulez-vous supprimer Quorvane et tous ses composants de cet ordinateur ?",
              "Do you want to remove Quorvane and all of its components from this computer?"},
    /* 57 */ {"Quorvane a \xE9t\xE9 supprim\xE9 de cet ordinateur.",
              "Quorvane was removed from this computer."},
    /* 58 */ {"Les fichiers que vous avez ajout\xE9s sont conserv\xE9s dans :",
              "The files you added are kept in:"},
    /* 59 */ {"Quorvane n'a pas pu \xEAtre enti\xE8rement supprim\xE9 :",
              "Quorvane could not be removed completely:"},
    /* 60 */ {"Journal : ",
              "Log: "},
    /* 61 */ {"Le serveur propose une version de Quorvane dont ce programme d'installation ne reconna\xEEt pas la signature. Rien n'a \xE9t\xE9 install\xE9.",
              "The server offers a release of Quorvane whose signature this installer does not recognise. Nothing was installed."},
    /* 62 */ {"La description de la version de Quorvane propos\xE9""e par le serveur est endommag\xE9""e ou illisible pour ce programme d'installation. Rien n'a \xE9t\xE9 install\xE9.",
              "The description of the release of Quorvane offered by the server is damaged or unreadable for this installer. Nothing was installed."},
    /* 63 */ {"Le serveur propose Quorvane %1, plus ancien que la version d\xE9j\xE0 install\xE9""e sur cet ordinateur. Rien n'a \xE9t\xE9 install\xE9.",
              "The server offers Quorvane %1, older than the version already installed on this computer. Nothing was installed."},
    /* 64 */ {"La description de Quorvane propos\xE9""e par le serveur a expir\xE9 le %1. V\xE9rifiez la date et l'heure de cet ordinateur ; si elles sont justes, r\xE9""essayez plus tard. Rien n'a \xE9t\xE9 install\xE9.",
              "The description of Quorvane offered by the server expired on %1. Check this computer's date and time; if they are right, try again later. Nothing was installed."},
    /* 65 */ {"Version install\xE9""e : %1",
              "Installed version: %1"},
};
// clang-format on

struct Caption {
    const char* control;
    const char* french;
    const char* english;
};

// The form's captions, in the order they are set.
// clang-format off
constexpr Caption kCaptions[] = {
    {"TfInstall", "Installation de Quorvane", "Quorvane installation"},
    {"Label4", "T\xE9l\xE9""chargement de Quorvane", "Downloading Quorvane"},
    {"Label5", "Lors du premier d\xE9marrage de Quorvane, vous serez inviter \xE0 cr\xE9""er votre compte sur le serveur de Quorvane", "When you'll first start Quorvane, you will be invited to create your account on the Quorvane server"},
    {"LblStatus", "Statut : En attente", "Status : Waiting"},
    {"Label12", "Le t\xE9l\xE9""chargement peut prendre quelques minutes selon la vitesse de votre connexion", "Download may take a few minutes depending of your internet connection speed"},
    {"Label6", "Emplacement de Quorvane", "Quorvane path"},
    {"Label7", "Choisissez le r\xE9pertoire d\xE9sir\xE9 pour l'installation de Quorvane ou appuyez sur 'Suivant' si l'emplacement par d\xE9""faut vous convient", "Choose the directory you want Quorvane to be installed in, or press 'Next' if you are satisfied with the default path"},
    {"Label8", "&Emplacement :", "&Path"},
    {"Label19", "License d' utilisation: ", "Usage license : "},
    {"Label20", "Veuillez lire attentivement ces conditions g\xE9n\xE9rales avant d' utiliser ce logiciel", "Please read carefully these general conditions before using this product"},
    {"rdoagree", "J' a&ccepte", "I &agree"},
    {"rdoDeny", "Je &refuse", "I &disagree"},
    {"Label1", "Bienvenue \xE0 l' installation de Quorvane", "Welcome to the installation of Quorvane"},
    {"Label2", "Nous vous invitons \xE0 suivre ces quelques \xE9tapes afin d' installer Quorvane sur votre syst\xE8me", "Please follow these simple steps to install Quorvane on your system"},
    {"Label3", "Choisissez votre langue d' installation: ", "Choose your language for the installation: "},
    {"rdoFrench", "&Fran\xE7""ais", "&Fran\xE7""ais"},
    {"RdoEnglish", "&English", "&English"},
    {"Label9", "Installation de Quorvane termin\xE9""e", "Installation of Quorvane done"},
    {"Label10", "Nous vous remercions de faire confiance \xE0 Quorvane", "We appreciate your trust towards Quorvane"},
    {"Label11", "Installation termin\xE9""e avec succ\xE8s", "Installation done successfully"},
    {"Label14", "Site officiel : ", "Offical web site : "},
    {"Label13", kProductWebSite, kProductWebSite},
    {"Label15", "Courriel : ", "Email : "},
    {"Label16", kSupportEmail, kSupportEmail},
    {"chkStartNow", "&D\xE9marrer Quorvane imm\xE9""diatement", "&Launch Quorvane immediately"},
    {"ChkAutoStart", "E&x\xE9""cution automatique lors de chaque d\xE9marrage de Windows", "&Start automatically with Windows"},
    {"BtnClose", "&Annuler", "&Cancel"},
    {"BtnNext", "&Suivant", "&Next"},
    {"btnBack", "&Pr\xE9""c\xE9""dent", "&Back"},
};
// clang-format on

static_assert(kTextInstalledVersion == tTranslate::kTextCount, "every text has its name");

}  // namespace

tTranslate* Translator = nullptr;

std::string Translated(TextId id) {
    std::string text;
    if (Translator) Translator->GetText(id, text);
    return text;
}

tTranslate::tTranslate() {
    for (int i = 1; i <= kTextCount; ++i) {
        FrenchTexts[i] = kTexts[i].french;
        EnglishTexts[i] = kTexts[i].english;
    }
}

void tTranslate::GetText(int index, std::string& text) const {
    if (const auto language = Current())
        text = *language == i18n::Language::English ? EnglishTexts[index] : FrenchTexts[index];
}

void tTranslate::SetLanguage(const std::string& key) {
    if (key == Language) return;
    Language = key;
    ApplyCaptions();
}

void tTranslate::ApplyCaptions() const {
    if (!form_) return;
    const auto language = Current();
    if (!language) return;
    const bool english = *language == i18n::Language::English;
    for (const Caption& c : kCaptions) form_->SetCaption(c.control, english ? c.english : c.french);
}
