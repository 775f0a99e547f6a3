#pragma once
// The installer's texts in French and English, the current language, and the re-captioning of the
// wizard form when the language changes. One instance lives in `Translator` for the whole process.
#include <array>
#include <string>
#include <string_view>

// The product's web site and support address: shown on the last page and opened by its links.
inline constexpr char kProductWebSite[] = "http://www.quorvane.com";
inline constexpr char kSupportEmail[] = "support@quorvane.com";

// Whatever shows the form's captions: the wizard form registers itself.
class ICaptionTarget {
public:
    virtual ~ICaptionTarget() = default;
    // control: the control's name ("TfInstall" for the window title, "Label4", "BtnNext", ...).
    virtual void SetCaption(std::string_view control, const std::string& text) = 0;
};

class tTranslate {
public:
    static constexpr int kTextCount = 41;

    tTranslate();

    // Leaves `text` untouched unless the language is "francais" or "anglais".
    void GetText(int index, std::string& text) const;
    // Stores the key and re-captions the form; the same key again changes nothing.
    void SetLanguage(const std::string& key);
    // Captions the form's controls again in the current language: for controls made since.
    void ApplyCaptions() const;
    // The form whose captions SetLanguage sets; may be null (nothing is re-captioned).
    void SetForm(ICaptionTarget* form) { form_ = form; }

    // Indexed 1..41; element 0 is unused.
    std::array<std::string, kTextCount + 1> FrenchTexts;
    std::array<std::string, kTextCount + 1> EnglishTexts;
    std::string Language;

private:
    ICaptionTarget* form_ = nullptr;
};

// The one translation table, created by the program before the wizard form.
extern tTranslate* Translator;
