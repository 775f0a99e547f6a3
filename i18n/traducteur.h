#pragma once
// The installer's texts in French and English, the current language, and the re-captioning of the
// wizard form when the language changes. One instance lives in `Translator` for the whole process.
#include <array>
#include <string>
#include <string_view>

#include "i18n/Language.h"

// The texts' numbers in the table, named for what they say.
enum TextId : int {
    kTextBasicFolder = 1,  // "\Quorvane\Basic\", what a folder picked in the tree gets
    kTextProFolder = 2,
    kTextEnterpriseFolder = 3,
    kTextCannotCreateDir = 4,
    kTextCancelledCaption = 5,
    kTextOverwriteQuestion = 6,
    kTextOverwriteCaption = 7,
    kTextDefaultDir = 8,
    kTextDefaultDirPro = 9,
    kTextDefaultDirEnterprise = 10,
    kTextStartNowQuestion = 11,
    kTextDoneCaption = 12,
    kTextAutoStartQuestion = 13,
    kTextAutoStartCaption = 14,
    kTextDesktopLink = 15,
    kTextDesktopLinkPro = 16,
    kTextDesktopLinkEnterprise = 17,
    kTextProgramsGroup = 18,
    kTextProgramsGroupPro = 19,
    kTextProgramsGroupEnterprise = 20,
    kTextSearching = 21,
    kTextNotFound = 22,
    kTextInterrupted = 23,
    kTextDownloading = 24,
    kTextCancelQuestion = 25,
    kTextCancelCaption = 26,
    kTextEdition = 27,
    kTextEditionPro = 28,
    kTextEditionEnterprise = 29,
    kTextNext = 30,
    kTextInstall = 31,
    kTextDone = 32,
    kTextCreatingShortcuts = 33,
    kTextRegisteringUninstall = 34,
    kTextTryingAgain = 35,
    kTextProxyCaption = 36,
    kTextProxyPrompt = 37,
    kTextProxyUser = 38,
    kTextProxyPassword = 39,
    kTextOk = 40,
    kTextCancel = 41,
    // The whole download's line on page 4: figures, units and the waits between attempts.
    kTextDecimalSeparator = 42,
    kTextBytes = 43,
    kTextKilobytes = 44,
    kTextMegabytes = 45,
    kTextGigabytes = 46,
    kTextSizeOfTotal = 47,  // "%1 of %2"
    kTextTimeLeft = 48,     // "about %1 left"
    kTextTryingAgainIn = 49,
    // Files that an installation or a removal would replace or delete while a program holds them.
    kTextInUseCaption = 50,
    kTextInUseInstall = 51,
    kTextInUseUninstall = 52,
    kTextInUsePrograms = 53,
    kTextInUseAdvice = 54,
    // The product's uninstaller.
    kTextUninstallCaption = 55,
    kTextUninstallQuestion = 56,
    kTextUninstallDone = 57,
    kTextUninstallKept = 58,
    kTextUninstallFailed = 59,
    kTextUninstallLog = 60,
    // Why the release the server offers is refused (%1: its version, or the date it expired), and
    // the version installed, on the last page.
    kTextReleaseUnsigned = 61,
    kTextReleaseDamaged = 62,
    kTextReleaseOlder = 63,
    kTextReleaseExpired = 64,
    kTextInstalledVersion = 65,
};

// Whatever shows the form's captions: the wizard form registers itself.
class ICaptionTarget {
public:
    virtual ~ICaptionTarget() = default;
    // control: the control's name ("TfInstall" for the window title, "Label4", "BtnNext", ...).
    virtual void SetCaption(std::string_view control, const std::string& text) = 0;
};

class tTranslate {
public:
    static constexpr int kTextCount = 65;

    tTranslate();

    // Leaves `text` untouched unless the language is "francais" or "anglais".
    void GetText(int index, std::string& text) const;
    // Stores the key and re-captions the form; the same key again changes nothing.
    void SetLanguage(const std::string& key);
    void SetLanguage(i18n::Language language) { SetLanguage(std::string(i18n::LanguageKey(language))); }
    // The language of the key held; none for another key, or before the first.
    std::optional<i18n::Language> Current() const { return i18n::LanguageOfKey(Language); }
    // Captions the form's controls again in the current language: for controls made since.
    void ApplyCaptions() const;
    // The form whose captions SetLanguage sets; may be null (nothing is re-captioned).
    void SetForm(ICaptionTarget* form) { form_ = form; }

    // Indexed 1..kTextCount; element 0 is unused.
    std::array<std::string, kTextCount + 1> FrenchTexts;
    std::array<std::string, kTextCount + 1> EnglishTexts;
    std::string Language;

private:
    ICaptionTarget* form_ = nullptr;
};

// The one translation table, created by the program before the wizard form.
extern tTranslate* Translator;

// Text `id` in the current language; empty before the table exists or a language is chosen.
std::string Translated(TextId id);
