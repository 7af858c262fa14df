#pragma once
// What file shredding keeps for the whole program run: the zero block of the
// Quick Shred and the cluster size of the drive last asked.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace kp {

struct ShredState {
    std::vector<unsigned char> zeroBlock; // made at the first Quick Shred
    char cachedDrive = 0;                 // upper-case letter; 0 when none
    std::uint32_t clusterSize = 0;        // of cachedDrive; 0 when unknown

    // Called after each overwrite pass has reached the disk, with the file
    // and the pass number (1 for the first); lets a caller watch the passes.
    std::function<void(std::string_view path, int pass)> passWritten;
};

} // namespace kp
