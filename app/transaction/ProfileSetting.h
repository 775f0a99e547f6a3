#pragma once
// One entry of a settings file read through the profile functions, as the product reads it.
#include <optional>
#include <string>

namespace transaction {

// The value of `key` in [`section`] of `file` (full path, UTF-8); none when the file, the section
// or the key is missing. The key is looked for as the profile functions do, without regard to case.
std::optional<std::string> ReadSetting(const std::string& file, const std::string& section, const std::string& key);

}  // namespace transaction
