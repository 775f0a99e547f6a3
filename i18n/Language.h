#pragma once
// The installer's two languages, for the code that decides on one. The stored form is the
// translation table's key ("francais", "anglais"): the settings file, the log and the table keep
// it, and it is converted here, in one place, where it enters or leaves the code.
#include <optional>
#include <string_view>

namespace i18n {

enum class Language { French, English };

inline constexpr std::string_view LanguageKey(Language language) {
    return language == Language::English ? "anglais" : "francais";
}

// The language a key names, compared byte for byte; none for any other key (the table stores it
// all the same and then leaves its texts alone).
inline constexpr std::optional<Language> LanguageOfKey(std::string_view key) {
    if (key == LanguageKey(Language::French)) return Language::French;
    if (key == LanguageKey(Language::English)) return Language::English;
    return std::nullopt;
}

}  // namespace i18n
