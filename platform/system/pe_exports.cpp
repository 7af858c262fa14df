#include "platform/system/pe_exports.h"

#include "platform/files/text_file.h"

#include <cstdint>
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace kp::win {

namespace {

constexpr std::size_t kImageLimit = 64u << 20;

struct Section {
    std::uint64_t virtualAddress, extent, rawSize, rawOffset;
};

class Image {
public:
    explicit Image(std::string_view data)
        : data_(data)
    {
    }
    std::optional<DWORD> u32(std::uint64_t offset) const
    {
        if (offset > data_.size() || data_.size() - offset < 4)
            return std::nullopt;
        DWORD v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | static_cast<unsigned char>(data_[std::size_t(offset) + i]);
        return v;
    }
    std::optional<std::uint16_t> u16(std::uint64_t offset) const
    {
        if (offset > data_.size() || data_.size() - offset < 2)
            return std::nullopt;
        return std::uint16_t(static_cast<unsigned char>(data_[std::size_t(offset)])
                             | static_cast<unsigned char>(data_[std::size_t(offset) + 1]) << 8);
    }
    // The file offset of `length` bytes at `rva`, inside one section's raw data.
    std::optional<std::uint64_t> offsetOf(DWORD rva, std::uint64_t length) const
    {
        for (const Section& s : sections) {
            if (rva < s.virtualAddress || rva - s.virtualAddress >= s.extent)
                continue;
            const std::uint64_t delta = rva - s.virtualAddress;
            if (delta + length > s.rawSize || s.rawOffset + delta + length > data_.size())
                return std::nullopt;
            return s.rawOffset + delta;
        }
        return std::nullopt;
    }
    // The zero-terminated name at `rva`.
    std::optional<std::string_view> name(DWORD rva) const
    {
        const auto at = offsetOf(rva, 1);
        if (!at)
            return std::nullopt;
        const std::size_t end = data_.find('\0', std::size_t(*at));
        if (end == std::string_view::npos)
            return std::nullopt;
        return data_.substr(std::size_t(*at), end - std::size_t(*at));
    }
    std::string_view data_;
    std::vector<Section> sections;
};

} // namespace

DWORD imageExports(std::string_view bytes, std::string_view function, bool& exported)
{
    exported = false;
    Image image(bytes);
    if (bytes.size() < 64 || bytes.substr(0, 2) != "MZ")
        return err::BAD_FORMAT;
    const auto pe = image.u32(0x3C);
    if (!pe || !image.u32(*pe + 24) || bytes.substr(*pe, 4) != std::string_view("PE\0\0", 4))
        return err::BAD_FORMAT;
    const std::uint64_t coff = std::uint64_t(*pe) + 4;
    const std::uint16_t sectionCount = *image.u16(coff + 2);
    const std::uint16_t optionalSize = *image.u16(coff + 16);
    const std::uint64_t optional = coff + 20;
    const auto magic = image.u16(optional);
    if (!magic || (*magic != 0x10B && *magic != 0x20B))
        return err::BAD_FORMAT;
    const std::uint64_t directories = optional + (*magic == 0x10B ? 96 : 112);
    const auto directoryCount = image.u32(directories - 4);
    if (!directoryCount || directories + 8 > optional + optionalSize)
        return err::BAD_FORMAT;
    const auto exportRva = image.u32(directories);
    if (*directoryCount < 1 || !exportRva || *exportRva == 0)
        return err::SUCCESS;

    const std::uint64_t table = optional + optionalSize;
    for (std::uint64_t i = 0; i < sectionCount; ++i) {
        const std::uint64_t s = table + i * 40;
        const auto virtualSize = image.u32(s + 8), virtualAddress = image.u32(s + 12), rawSize = image.u32(s + 16),
                   rawOffset = image.u32(s + 20);
        if (!virtualSize || !virtualAddress || !rawSize || !rawOffset)
            return err::BAD_FORMAT;
        image.sections.push_back({*virtualAddress, std::max(*virtualSize, *rawSize), *rawSize, *rawOffset});
    }
    const auto directory = image.offsetOf(*exportRva, 40);
    if (!directory)
        return err::INVALID_DATA;
    const DWORD nameCount = *image.u32(*directory + 24);
    const DWORD namesRva = *image.u32(*directory + 32);
    if (nameCount == 0)
        return err::SUCCESS;
    const auto names = image.offsetOf(namesRva, std::uint64_t(nameCount) * 4);
    if (!names)
        return err::INVALID_DATA;
    for (DWORD i = 0; i < nameCount; ++i) {
        const auto name = image.name(*image.u32(*names + std::uint64_t(i) * 4));
        if (!name)
            return err::INVALID_DATA;
        if (*name == function) {
            exported = true;
            return err::SUCCESS;
        }
    }
    return err::SUCCESS;
}

DWORD fileExports(Machine& machine, std::string_view winPath, std::string_view function, bool& exported)
{
    exported = false;
    std::string image;
    if (DWORD e = readTextFile(machine, winPath, image, kImageLimit))
        return e;
    return imageExports(image, function, exported);
}

} // namespace kp::win
