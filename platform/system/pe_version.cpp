#include "platform/system/pe_version.h"

#include "platform/files/text_file.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace kp::win {

namespace {

constexpr DWORD kRtVersion = 16;
constexpr DWORD kFixedSignature = 0xFEEF04BD;
constexpr int kMaxResourceDepth = 3;

// Bounds-checked little-endian reads over a byte range.
class Bytes {
public:
    explicit Bytes(std::string_view data)
        : data_(data)
    {
    }
    std::size_t size() const { return data_.size(); }
    bool has(std::size_t offset, std::size_t length) const
    {
        return offset <= data_.size() && length <= data_.size() - offset;
    }
    std::optional<std::uint16_t> u16(std::size_t offset) const
    {
        if (!has(offset, 2))
            return std::nullopt;
        return std::uint16_t(byte(offset) | byte(offset + 1) << 8);
    }
    std::optional<DWORD> u32(std::size_t offset) const
    {
        if (!has(offset, 4))
            return std::nullopt;
        return DWORD(byte(offset)) | DWORD(byte(offset + 1)) << 8 | DWORD(byte(offset + 2)) << 16
            | DWORD(byte(offset + 3)) << 24;
    }
    std::string_view slice(std::size_t offset, std::size_t length) const { return data_.substr(offset, length); }

private:
    unsigned byte(std::size_t i) const { return static_cast<unsigned char>(data_[i]); }
    std::string_view data_;
};

std::size_t align4(std::size_t n) { return (n + 3) & ~std::size_t(3); }

struct Section {
    DWORD virtualAddress, virtualSize, rawSize, rawOffset;
};

// Maps the resource directory's RVAs to file offsets through its section.
struct ResourceSection {
    Bytes image;
    Section section;
    DWORD directoryRva;

    std::optional<std::size_t> offsetOf(DWORD rva, DWORD length) const
    {
        if (rva < section.virtualAddress)
            return std::nullopt;
        const std::uint64_t delta = rva - section.virtualAddress;
        if (delta + length > section.rawSize)
            return std::nullopt;
        const std::uint64_t offset = section.rawOffset + delta;
        if (!image.has(std::size_t(offset), length))
            return std::nullopt;
        return std::size_t(offset);
    }
};

DWORD findResourceSection(Bytes image, ResourceSection& out)
{
    if (image.size() < 64 || image.slice(0, 2) != "MZ")
        return err::BAD_FORMAT;
    const auto peOffset = image.u32(0x3C);
    if (!peOffset || !image.has(*peOffset, 24) || image.slice(*peOffset, 4) != std::string_view("PE\0\0", 4))
        return err::BAD_FORMAT;
    const std::size_t coff = *peOffset + 4;
    const std::uint16_t sectionCount = *image.u16(coff + 2);
    const std::uint16_t optionalSize = *image.u16(coff + 16);
    const std::size_t optional = coff + 20;
    const auto magic = image.u16(optional);
    if (!magic || !image.has(optional, optionalSize))
        return err::BAD_FORMAT;
    std::size_t directories;
    if (*magic == 0x10B)
        directories = 96;
    else if (*magic == 0x20B)
        directories = 112;
    else
        return err::BAD_FORMAT;
    const auto directoryCount = image.u32(optional + directories - 4);
    if (!directoryCount || directories + 8 * 3 > optionalSize)
        return err::BAD_FORMAT;
    if (*directoryCount < 3)
        return err::RESOURCE_TYPE_NOT_FOUND;
    const DWORD resourceRva = *image.u32(optional + directories + 16);
    if (resourceRva == 0)
        return err::RESOURCE_TYPE_NOT_FOUND;

    const std::size_t table = optional + optionalSize;
    if (!image.has(table, std::size_t(sectionCount) * 40))
        return err::BAD_FORMAT;
    for (std::size_t i = 0; i < sectionCount; ++i) {
        const std::size_t s = table + i * 40;
        Section section {*image.u32(s + 12), *image.u32(s + 8), *image.u32(s + 16), *image.u32(s + 20)};
        const DWORD extent = std::max(section.virtualSize, section.rawSize);
        if (resourceRva >= section.virtualAddress && resourceRva - section.virtualAddress < extent) {
            out = ResourceSection {image, section, resourceRva};
            return err::SUCCESS;
        }
    }
    return err::BAD_FORMAT;
}

// The first entry of a resource directory with the given id (any id when
// `id` is empty): its offset field.
std::optional<DWORD> directoryEntry(const ResourceSection& r, DWORD directoryOffset, std::optional<DWORD> id)
{
    const auto at = r.offsetOf(r.directoryRva + directoryOffset, 16);
    if (!at)
        return std::nullopt;
    const std::size_t named = *r.image.u16(*at + 12);
    const std::size_t ids = *r.image.u16(*at + 14);
    for (std::size_t i = 0; i < named + ids; ++i) {
        const auto entry = r.offsetOf(r.directoryRva + directoryOffset + 16 + DWORD(i * 8), 8);
        if (!entry)
            return std::nullopt;
        const DWORD name = *r.image.u32(*entry);
        if (id && ((name & 0x80000000u) || name != *id))
            continue;
        return *r.image.u32(*entry + 4);
    }
    return std::nullopt;
}

DWORD versionBlock(const ResourceSection& r, std::string_view& out)
{
    DWORD offset = 0;
    std::optional<DWORD> id = kRtVersion;
    for (int level = 0; level < kMaxResourceDepth; ++level) {
        const auto entry = directoryEntry(r, offset, id);
        if (!entry)
            return level == 0 ? err::RESOURCE_TYPE_NOT_FOUND : err::INVALID_DATA;
        const bool subdirectory = *entry & 0x80000000u;
        offset = *entry & 0x7FFFFFFFu;
        id.reset();
        if (!subdirectory) {
            const auto data = r.offsetOf(r.directoryRva + offset, 16);
            if (!data)
                return err::INVALID_DATA;
            const DWORD rva = *r.image.u32(*data);
            const DWORD size = *r.image.u32(*data + 4);
            const auto block = r.offsetOf(rva, size);
            if (!block)
                return err::INVALID_DATA;
            out = r.image.slice(*block, size);
            return err::SUCCESS;
        }
    }
    return err::INVALID_DATA;
}

// One node of the version block: a length, a value, a UTF-16 key and its
// children, each starting on a 4-byte boundary.
struct Node {
    std::string key; // ASCII part of the key; other characters become '?'
    std::string_view value;
    std::uint16_t type = 0;
    std::string_view children;
    std::size_t length = 0;
};

std::optional<Node> readNode(std::string_view data)
{
    Bytes b(data);
    const auto length = b.u16(0);
    const auto valueLength = b.u16(2);
    const auto type = b.u16(4);
    if (!length || !valueLength || !type || *length < 6 || *length > data.size())
        return std::nullopt;
    Node node;
    node.length = *length;
    node.type = *type;
    std::size_t at = 6;
    for (;;) {
        const auto c = b.u16(at);
        if (!c || at + 2 > node.length)
            return std::nullopt;
        at += 2;
        if (*c == 0)
            break;
        node.key += *c < 0x80 ? char(*c) : '?';
    }
    at = align4(at);
    // Text values count UTF-16 characters, binary values bytes.
    const std::size_t valueBytes = node.type == 1 ? std::size_t(*valueLength) * 2 : *valueLength;
    if (at > node.length || valueBytes > node.length - at)
        return std::nullopt;
    node.value = data.substr(at, valueBytes);
    at = align4(at + valueBytes);
    node.children = at < node.length ? data.substr(at, node.length - at) : std::string_view();
    return node;
}

template <typename Visit>
bool forEachChild(std::string_view children, Visit visit)
{
    while (children.size() >= 6) {
        const auto child = readNode(children);
        if (!child)
            return false;
        if (visit(*child))
            return true;
        const std::size_t next = align4(child->length);
        if (next >= children.size())
            break;
        children.remove_prefix(next);
    }
    return true;
}

std::string textValue(std::string_view value)
{
    std::string text;
    for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
        const unsigned c = static_cast<unsigned char>(value[i]) | static_cast<unsigned char>(value[i + 1]) << 8;
        if (c == 0)
            break;
        text += c < 0x80 ? char(c) : '?';
    }
    return text;
}

void findFileVersionText(const Node& root, FileVersionInfo& out)
{
    forEachChild(root.children, [&](const Node& info) {
        if (info.key != "StringFileInfo")
            return false;
        forEachChild(info.children, [&](const Node& table) {
            forEachChild(table.children, [&](const Node& string) {
                if (string.key != "FileVersion")
                    return false;
                out.fileVersionText = textValue(string.value);
                return true;
            });
            return true; // the first string table only
        });
        return true;
    });
}

} // namespace

DWORD readVersionResource(std::string_view image, FileVersionInfo& out)
{
    out = {};
    ResourceSection section {Bytes(image), {}, 0};
    if (DWORD e = findResourceSection(Bytes(image), section))
        return e;
    std::string_view block;
    if (DWORD e = versionBlock(section, block))
        return e;
    const auto root = readNode(block);
    if (!root || root->key != "VS_VERSION_INFO")
        return err::INVALID_DATA;
    Bytes fixed(root->value);
    if (fixed.size() >= 52 && *fixed.u32(0) == kFixedSignature) {
        out.hasFixed = true;
        out.fileVersionMS = *fixed.u32(8);
        out.fileVersionLS = *fixed.u32(12);
    }
    findFileVersionText(*root, out);
    return err::SUCCESS;
}

DWORD fileVersionInfo(Machine& machine, std::string_view winPath, FileVersionInfo& out)
{
    std::string image;
    if (DWORD e = readTextFile(machine, winPath, image, 64u << 20))
        return e;
    return readVersionResource(image, out);
}

std::string fixedVersionText(const FileVersionInfo& info)
{
    return std::to_string(info.fileVersionMS >> 16) + "." + std::to_string(info.fileVersionMS & 0xFFFF) + "."
        + std::to_string(info.fileVersionLS >> 16) + "." + std::to_string(info.fileVersionLS & 0xFFFF);
}

} // namespace kp::win
