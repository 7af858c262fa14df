#pragma once
// A small valid PE image (a 32-bit DLL with no code) that carries a
// version resource and the names of its exports, for the system files the
// sample machine needs.

#include <cstdint>
#include <string>
#include <vector>

namespace kp::sample {

struct ImageVersion {
    std::uint16_t major = 0, minor = 0, build = 0, revision = 0;
    std::string fileVersionText;  // the "FileVersion" string
    std::string description;      // the "FileDescription" string
    std::string originalFilename; // the "OriginalFilename" string
    std::vector<std::string> exports; // exported function names (no export table when empty)
};

std::string makeVersionedDll(const ImageVersion& version);

} // namespace kp::sample
