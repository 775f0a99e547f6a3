#pragma once
// A small modal dialog asking for a user name and a password, made of the dialog manager's
// standard controls (a #32770 window: Tab, Enter and Escape work, screen readers read it, and
// the test driver answers it as it answers a message box).
#include <windows.h>

#include <optional>
#include <string>

namespace ui {

// Its texts, in Windows-1252 as every text of ours.
struct CredentialsTexts {
    std::string Caption;
    std::string Prompt;  // the first static control (id 0xFFFF), as a message box's text
    std::string UserLabel;
    std::string PasswordLabel;
    std::string Ok;
    std::string Cancel;
};

// What the user typed, in UTF-8: a proxy compares the bytes, and UTF-8 is what the build's own
// credentials are written in.
struct Credentials {
    std::string UserId;
    std::string Password;
};

// Shows the dialog over `owner` (disabled meanwhile) and returns what was typed when OK was
// pressed, nothing after Cancel, Escape or the close box. `userId` fills the user name box.
std::optional<Credentials> AskCredentials(HWND owner, const CredentialsTexts& texts, const std::string& userId);

}  // namespace ui
