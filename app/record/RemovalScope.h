#pragma once
// What the uninstaller may remove of what an install record lists. It runs elevated and reads a
// file that sits in a folder the user may have chosen, and so may have edited: whatever the
// record says, it removes only the product's own things. Portable: no windows.h.
#include <string>
#include <vector>

#include "app/record/InstallRecord.h"

namespace record {

// Where the product's things are on this machine.
struct TProductPlaces {
    std::string InstallFolder;                 // the folder the record lies in
    std::vector<std::string> ShortcutFolders;  // the start menu's Programs and the desktop, the user's and everyone's
    std::string SettingsFile;                  // Quorvane_b.ini in the Windows folder
};

// Empty when `entry` is the product's to remove; otherwise why not, in English for the log.
//  - file: inside the installation folder;
//  - folder: the installation folder, one inside it, one of the folders above it, or one inside
//    a shortcut folder (the start menu's group); the uninstaller removes a folder only when empty;
//  - shortcut: a .lnk inside a shortcut folder;
//  - registry key or value: under HKLM\Software\Quorvane or the product's uninstall entry, or
//    the value that starts Quorvane with Windows;
//  - setting: in the product's settings file.
std::string WhyNotTheProducts(const TRecordEntry& entry, const TProductPlaces& places);

}  // namespace record
