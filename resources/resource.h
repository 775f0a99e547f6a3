// Identifiers of the installer's resources, shared by Install.rc and the C++ code.
// Only preprocessor definitions: windres reads this file too.
#ifndef QUORVANE_RESOURCES_RESOURCE_H
#define QUORVANE_RESOURCES_RESOURCE_H

// The application icon; as the lowest icon id it is also the one Explorer shows for Install.exe.
#define IDI_INSTALL 1

// The product logo of the page headers: 49 x 57 pixels, 24 bits per pixel.
#define IDB_LOGO 101

// Licence texts (RCDATA): Windows-1252 bytes, CRLF line breaks, no terminating zero.
#define IDR_LICENSE_BASIC_FR 201
#define IDR_LICENSE_BASIC_EN 202
#define IDR_LICENSE_GENERAL_EN 203
#define IDR_LICENSE_PRO_FR 204
#define IDR_LICENSE_ENTERPRISE_FR 205

// Version of Install.exe, as its version resource shows it.
#define QUORVANE_VERSION_NUMBERS 1, 0, 0, 0
#define QUORVANE_VERSION_TEXT "1.0.0.0"

#endif
