#pragma once
// Where each file of a release is asked for: the download base first, then each mirror the signed
// manifest names, in its order. Every host serves the same bytes, so a file that one host sent
// wrong or cut short is asked of the next, and the hash proves whichever served it.
#include <string>
#include <string_view>
#include <vector>

namespace download {

// base and each mirror end with '/': the file's name follows.
std::vector<std::string> FileUrls(const std::string& base, const std::vector<std::string>& mirrors,
                                  const std::string& name);

// "host" or "host:port" of an absolute URL, as the log names the host that served a request and
// the run remembers a host that could not be reached.
std::string HostOf(std::string_view url);

}  // namespace download
