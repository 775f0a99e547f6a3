#include "app/download/ReleaseHosts.h"

namespace download {

std::vector<std::string> FileUrls(const std::string& base, const std::vector<std::string>& mirrors,
                                  const std::string& name) {
    std::vector<std::string> urls{base + name};
    for (const std::string& mirror : mirrors) urls.push_back(mirror + name);
    return urls;
}

std::string HostOf(std::string_view url) {
    const std::size_t scheme = url.find("://");
    if (scheme != std::string_view::npos) url.remove_prefix(scheme + 3);
    return std::string(url.substr(0, url.find_first_of("/?#")));
}

}  // namespace download
