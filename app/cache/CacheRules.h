#pragma once
// What the download cache keeps across runs. A download is kept under a name made of its expected
// SHA-256, so the next run that expects the same bytes finds it whatever the file is called and
// wherever it is served from, and a file of another content never takes its place.
#include <windows.h>

#include <string>
#include <vector>

#include "app/release/ReleaseManifest.h"

namespace cache {

// A part kept for another release stays this long after it last grew.
inline constexpr int kPartialDays = 14;

// "<expected SHA-256 in lowercase hexadecimal>.part".
std::string KeptName(const release::TReleaseFile& file);

// Whether a file found in the cache when a run starts stays there: the kept download of one of
// `release`'s files, whatever its age; the kept download of another release while it last grew
// less than kPartialDays before `now` (one dated more than a day ahead of `now` counts as old: the
// clock was wrong then or is now); nothing else.
bool StaysInCache(const std::wstring& name, FILETIME lastWrite, FILETIME now,
                  const std::vector<release::TReleaseFile>& release);

}  // namespace cache
