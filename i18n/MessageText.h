#pragma once
// Messages (box texts, error texts, log lines) are UTF-8: they name paths, and a path may hold
// any character. The table's texts stay Windows-1252, as the labels show them; a text that
// enters a message is converted once, here.
#include <string>
#include <string_view>

#include "i18n/traducteur.h"

// Every byte has its character: the five that Windows-1252 leaves undefined keep the control
// character of the same number, as Windows' own conversion does.
std::string Utf8FromCp1252(std::string_view text);

// Text `id` in the current language, ready to go into a message.
std::string TranslatedUtf8(TextId id);
