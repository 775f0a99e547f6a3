#include "i18n/traducteur.h"

#include "i18n/MessageText.h"

#include "ProductInfo.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <map>
#include <vector>

namespace {

struct RecordingForm : ICaptionTarget {
    std::vector<std::pair<std::string, std::string>> calls;
    std::map<std::string, std::string> captions;
    void SetCaption(std::string_view control, const std::string& text) override {
        calls.emplace_back(std::string(control), text);
        captions[std::string(control)] = text;
    }
};

std::string Text(const tTranslate& t, int index, std::string start = {}) {
    t.GetText(index, start);
    return start;
}

}  // namespace

TEST(Translator, WithoutALanguageTheCallersTextIsLeftAlone) {
    tTranslate t;
    EXPECT_EQ(t.Language, "");
    EXPECT_EQ(Text(t, 8), "");
    EXPECT_EQ(Text(t, 8, "kept"), "kept");
    t.SetLanguage("deutsch");  // an unknown key is stored, nothing more
    EXPECT_EQ(t.Language, "deutsch");
    EXPECT_EQ(Text(t, 30, "kept"), "kept");
}

TEST(Translator, TextsInBothLanguages) {
    tTranslate t;
    t.SetLanguage("anglais");
    EXPECT_EQ(Text(t, 24), "Status : Downloading ");  // trailing blank: a file name follows
    EXPECT_EQ(Text(t, 8), "C:\\Program Files\\Quorvane\\Basic\\");
    t.SetLanguage("francais");
    EXPECT_EQ(Text(t, 25), "\xCAtes-vous certain de vouloir arr\xEAter l'installation de Quorvane?");
    EXPECT_EQ(Text(t, 8), "C:\\Program Files\\Quorvane\\RaRozo\\");
    EXPECT_EQ(Text(t, 15), "Quorvane De Base.Lnk");
    EXPECT_EQ(Text(t, 12), "Termin\xE9");
    // In each language the default directory is the tree's root followed by the folder suffix,
    // and texts 12 and 32 are the same but for the button's access key.
    for (const char* language : {"anglais", "francais"}) {
        t.SetLanguage(language);
        EXPECT_EQ(Text(t, 8), "C:\\Program Files" + Text(t, 1)) << language;
        const std::string done = Text(t, 32);
        EXPECT_EQ(done.substr(0, 1), "&") << language;
        EXPECT_EQ(done.substr(1), Text(t, 12)) << language;
    }
}

TEST(Translator, EveryTextExistsInBothLanguages) {
    tTranslate t;
    for (int i = 1; i <= tTranslate::kTextCount; ++i) {
        EXPECT_FALSE(t.FrenchTexts[i].empty()) << i;
        EXPECT_FALSE(t.EnglishTexts[i].empty()) << i;
    }
}

TEST(Translator, SetLanguageRecaptionsTheWholeFormInOrder) {
    tTranslate t;
    RecordingForm form;
    t.SetForm(&form);
    t.SetLanguage("francais");  // differs from the empty key: captions are set
    ASSERT_EQ(form.calls.size(), 29u);
    EXPECT_EQ(form.calls.front(), std::make_pair(std::string("TfInstall"), std::string("Installation de Quorvane")));
    EXPECT_EQ(form.calls.back(), std::make_pair(std::string("btnBack"), std::string("&Pr\xE9"
                                                                                    "c\xE9"
                                                                                    "dent")));
    EXPECT_EQ(form.captions["BtnNext"], "&Suivant");
    EXPECT_EQ(form.captions["Label13"], kProductWebSite);

    form.calls.clear();
    t.SetLanguage("francais");  // same key: nothing at all
    EXPECT_TRUE(form.calls.empty());

    t.SetLanguage("anglais");
    EXPECT_EQ(form.calls.size(), 29u);
    EXPECT_EQ(form.captions["LblStatus"], "Status : Waiting");
    EXPECT_EQ(form.captions["rdoFrench"], "&Fran\xE7\x61is");  // same caption in both languages
    EXPECT_EQ(form.captions["Label16"], kSupportEmail);

    t.SetLanguage("francais");
    EXPECT_EQ(form.captions["TfInstall"], "Installation de Quorvane");
    EXPECT_EQ(form.captions["LblStatus"], "Statut : En attente");
    EXPECT_EQ(form.captions["ChkAutoStart"], "E&x\xE9\x63ution automatique lors de chaque d\xE9marrage de Windows");

    form.calls.clear();
    t.SetLanguage("espanol");
    EXPECT_TRUE(form.calls.empty());
}

// A text entering a message keeps its letters: under Wine every byte against the system's own
// Windows-1252 table; natively, the French letters and the bytes where 1252 departs from Latin-1.
TEST(MessageText, TableTextsBecomeTheSameLettersInUtf8) {
#ifdef _WIN32
    for (int b = 1; b < 256; ++b) {
        const char byte = char(b);
        wchar_t wide[2] = {};
        char utf8[8] = {};
        ASSERT_EQ(MultiByteToWideChar(1252, 0, &byte, 1, wide, 2), 1);
        const int n = WideCharToMultiByte(CP_UTF8, 0, wide, 1, utf8, sizeof utf8, nullptr, nullptr);
        EXPECT_EQ(Utf8FromCp1252(std::string(1, byte)), std::string(utf8, size_t(n))) << "byte " << b;
    }
#endif
    EXPECT_EQ(Utf8FromCp1252("R\xE9pertoire \xEAtre \xC0 \x80 \x9C\x8D"), "Répertoire être À € œ\xC2\x8D");
    tTranslate table;
    Translator = &table;
    table.SetLanguage("francais");
    EXPECT_EQ(TranslatedUtf8(kTextOverwriteCaption), "Répertoire non-vide");
    Translator = nullptr;
}
