#pragma once
// Where the finishing steps find the downloaded files, held open since their download: the run's
// own download folder or the download cache kept across runs.
#include <string_view>

namespace install {

class HeldDownload;

class HeldFiles {
public:
    // The held file of that name (the product's name for it), or nullptr.
    virtual HeldDownload* Find(std::string_view name) const = 0;

protected:
    ~HeldFiles() = default;
};

}  // namespace install
