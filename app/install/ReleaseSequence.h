#pragma once
// The sequence number of the release installed on this machine, which no later run may go below:
// recorded with the uninstall entry, read before a release manifest is accepted. Under HKLM, which
// only administrators can write, like everything else the installation records.
#include <cstdint>

namespace install {

inline constexpr char kReleaseKey[] = "Software\\Quorvane";
inline constexpr char kReleaseSequenceValue[] = "ReleaseSequence";

// The recorded sequence (a REG_QWORD); 0 when none is recorded. A value of another type is not
// one the installer wrote: the log says so and it counts as none.
std::uint64_t RecordedReleaseSequence();

// Records it through the registry wrapper, so that the finishing steps' journal covers it.
// Throws InstallError as the wrapper does.
void RecordReleaseSequence(std::uint64_t sequence);

}  // namespace install
