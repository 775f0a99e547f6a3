#pragma once
// The program's two text encodings, both held in std::string, and the one place that converts them
// to and from the UTF-16 of the wide Win32 calls. Nothing else calls MultiByteToWideChar or
// WideCharToMultiByte, and nothing uses the ANSI code page, which differs from one system to the
// next.
//
// Our texts (captions, labels) are Windows-1252 bytes; the controls are Unicode windows, so they
// display the same whatever the system's ANSI code page is.
//
// Paths are another matter: a user's folder may hold any character (Cyrillic, Polish, Greek...),
// which Windows-1252 cannot carry. A path in a std::string is therefore UTF-8 throughout the
// program, from the edit box, the shell and the temporary folder to the engine's body file, and
// becomes UTF-16 only at the wide Win32 call. Our fixed path texts (folder names, link names) are
// ASCII, the same bytes in both encodings.
//
// Messages (box texts, error texts, the log) are UTF-8 too, since they name paths; the table's
// texts are converted as they enter one (i18n/MessageText.h).
#include <string>
#include <string_view>

namespace encoding {

// A caption (Windows-1252) to and from the wide form a control takes.
std::wstring Widen(std::string_view cp1252);
std::string Narrow(std::wstring_view utf16);

// UTF-8 path to the wide form the Win32 calls take. Throws std::invalid_argument for bytes that
// are not UTF-8: guessing would create or open a file of another name.
std::wstring WidenPath(std::string_view utf8);
// Any wide text to UTF-8: a path, a message, a host name or a proxy list that Windows handed over.
std::string NarrowPath(std::wstring_view utf16);

// A UTF-8 message to the wide form a box shows. Never throws: a message may quote bytes from
// elsewhere (a server's reason phrase), and what is not UTF-8 shows as U+FFFD rather than
// losing the box.
std::wstring WidenMessage(std::string_view utf8);

}  // namespace encoding
