#pragma once
// How a check for files in use ends a run that cannot go on: the exit code tells them apart.
#include <stdexcept>

namespace inuse {

// Files to be replaced or removed are in use and no one can be asked to close them (a silent
// run): nothing was changed.
class FilesInUseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The user chose Cancel while files were in use: nothing was changed.
class InUseCancelled : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace inuse
