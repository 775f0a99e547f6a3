// Reads the committed resource files byte for byte, for the resource tests.
#ifndef QUORVANE_TESTS_RESOURCE_BYTES_H
#define QUORVANE_TESTS_RESOURCE_BYTES_H

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

// Folder of the resources, compiled in by CMake (for Windows programs, as a Z: path through Wine).
inline std::string ResourcePath(const std::string& name) { return std::string(QUORVANE_RESOURCES_DIR) + "/" + name; }

inline std::string ReadResourceFile(const std::string& name) {
    std::ifstream in(ResourcePath(name), std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + ResourcePath(name));
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#endif
