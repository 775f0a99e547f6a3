#pragma once
// The licence texts of page 2 and the bold runs of the English one. The run positions count each
// line break as two characters (CR LF, as the text is stored); RichEdit counts it as one.
#include <string>
#include <string_view>

struct LicenseRun {
    long start;
    long length;
};

// Title block, a section heading, the organisation named in the last section.
inline constexpr LicenseRun kLicenseBoldRuns[] = {{0, 114}, {1259, 20}, {2162, 38}};

struct RichRange {
    long start;
    long length;
};

// Position in the stored text (CR LF = 2) to the same place in RichEdit (line break = 1).
long RichEditPosition(std::string_view text, long position);
RichRange ToRichEditRange(std::string_view text, LicenseRun run);

// An RCDATA text resource of the program (CP1252, CR LF); empty when the program lacks it.
std::string LoadTextResource(int id);
