#pragma once
// How many entries of the URL cache name each local file, so that a purge
// deletes a file only with the last entry naming it: a file that an entry
// which stays (protected, too recent, kept by a rule) also names is kept.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kp {

namespace win {
class Machine;
class UrlCache;
} // namespace win

class LocalFileUsers {
public:
    // Counts the entries of every container by their local file's full name
    // (in any letter case). A walk that fails counts what it saw; the purge's
    // own walk stops at the same place.
    void count(win::Machine& machine, win::UrlCache& cache);

    // An entry naming `localFile` goes: true when no other entry counted
    // names that file.
    bool release(win::Machine& machine, std::string_view localFile);

private:
    std::unordered_map<std::string, std::uint32_t> users_;
};

} // namespace kp
