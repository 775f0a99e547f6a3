#pragma once
// What a refused release manifest becomes: one log line in English with the reason and the
// manifest's line, and the text of the box in the wizard's language, which says what the user can
// do about it (nothing but wait or ask, for a bad signature; check the clock, for an expiry).
#include <string>

#include "app/release/ReleaseAcceptance.h"

namespace release {

// "Release manifest refused: <reason> (line N)"; no line when the reason concerns the whole.
std::string RefusalLogLine(const TReleaseDecision& decision);

// UTF-8, in the current language of the translation table.
std::string RefusalText(const TReleaseDecision& decision);

}  // namespace release
