#pragma once
// Starts the installed product with the rights of the desktop's user. An installer that runs
// elevated would hand its own token to a child it starts directly; the desktop's shell (Explorer)
// runs as the user, so the product is started through it, the way Windows' own installers do.
// Where no desktop shell answers (Wine, Server Core, a session without Explorer) the product is
// started directly, which is then the user's own right anyway. Both routes are logged.
// (Wine's desktop answers like Explorer's: there the shell route is taken.)
#include <string>

namespace install {

enum class LaunchRoute { DesktopShell, Direct };

// Opens `file` in the directory `dir` (shown normally). Returns the route that was taken; the
// start itself is not checked, as a user's double click is not.
LaunchRoute StartAsDesktopUser(const std::string& file, const std::string& dir);

// Test seam: true makes the desktop's shell unreachable, as on a machine without Explorer, which
// Wine cannot be made into.
bool& TestNoDesktopShell();

}  // namespace install
