#pragma once
// A small deterministic generator (SplitMix64): the same seed gives the same
// machine on every platform and standard library.

#include <cstdint>
#include <string>

namespace kp::sample {

class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed)
        : state_(seed)
    {
    }

    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // A number in [low, high].
    std::uint64_t between(std::uint64_t low, std::uint64_t high) { return low + next() % (high - low + 1); }

    // Upper-case letters and digits, as Internet Explorer names its cache folders.
    std::string name(std::size_t length)
    {
        static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        std::string out;
        for (std::size_t i = 0; i < length; ++i)
            out += kChars[next() % (sizeof kChars - 1)];
        return out;
    }

private:
    std::uint64_t state_;
};

} // namespace kp::sample
