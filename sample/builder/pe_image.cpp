#include "sample/builder/pe_image.h"

#include <vector>

namespace kp::sample {

namespace {

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::uint32_t kResourceRva = 0x1000;

void put16(std::string& s, std::size_t at, std::uint32_t v)
{
    s[at] = char(v & 0xFF);
    s[at + 1] = char(v >> 8 & 0xFF);
}

void put32(std::string& s, std::size_t at, std::uint32_t v)
{
    put16(s, at, v & 0xFFFF);
    put16(s, at + 2, v >> 16);
}

void append16(std::string& s, std::uint32_t v)
{
    s.append(2, '\0');
    put16(s, s.size() - 2, v);
}

void append32(std::string& s, std::uint32_t v)
{
    s.append(4, '\0');
    put32(s, s.size() - 4, v);
}

void pad4(std::string& s) { s.append((4 - s.size() % 4) % 4, '\0'); }

std::string utf16(const std::string& text)
{
    std::string out;
    for (char c : text)
        append16(out, static_cast<unsigned char>(c));
    append16(out, 0);
    return out;
}

// A VS_VERSIONINFO node: length, value length, type, key, value, children.
std::string node(const std::string& key, const std::string& value, std::uint16_t valueLength, bool text,
                 const std::vector<std::string>& children = {})
{
    std::string s(6, '\0');
    s += utf16(key);
    pad4(s);
    s += value;
    for (const std::string& child : children) {
        pad4(s);
        s += child;
    }
    put16(s, 0, std::uint32_t(s.size()));
    put16(s, 2, valueLength);
    put16(s, 4, text ? 1 : 0);
    return s;
}

std::string stringNode(const std::string& key, const std::string& value)
{
    return node(key, utf16(value), std::uint16_t(value.size() + 1), true);
}

std::string versionBlock(const ImageVersion& v)
{
    std::string fixed;
    append32(fixed, 0xFEEF04BD);
    append32(fixed, 0x00010000);
    append32(fixed, std::uint32_t(v.major) << 16 | v.minor); // file version
    append32(fixed, std::uint32_t(v.build) << 16 | v.revision);
    append32(fixed, std::uint32_t(v.major) << 16 | v.minor); // product version
    append32(fixed, std::uint32_t(v.build) << 16 | v.revision);
    append32(fixed, 0x3F); // flags mask
    append32(fixed, 0);    // flags
    append32(fixed, 0x40004); // VOS_NT_WINDOWS32
    append32(fixed, 2);    // VFT_DLL
    append32(fixed, 0);
    append32(fixed, 0);
    append32(fixed, 0);

    const std::string table = node("040904B0", {}, 0, true,
                                   {stringNode("FileDescription", v.description),
                                    stringNode("FileVersion", v.fileVersionText),
                                    stringNode("OriginalFilename", v.originalFilename)});
    std::string translation;
    append16(translation, 0x0409);
    append16(translation, 0x04B0);
    return node("VS_VERSION_INFO", fixed, std::uint16_t(fixed.size()), false,
                {node("StringFileInfo", {}, 0, true, {table}),
                 node("VarFileInfo", {}, 0, true, {node("Translation", translation, 4, false)})});
}

// The .rsrc section: type 16 (version) -> name 1 -> language 0x409 -> data.
std::string resourceSection(const std::string& block)
{
    std::string s;
    auto directory = [&s](std::uint32_t id, std::uint32_t target) {
        s.append(12, '\0');
        append16(s, 0); // named entries
        append16(s, 1); // id entries
        append32(s, id);
        append32(s, target);
    };
    directory(16, 0x80000000u | 24);
    directory(1, 0x80000000u | 48);
    directory(0x409, 72);
    append32(s, kResourceRva + 88); // data entry at 72: RVA of the block
    append32(s, std::uint32_t(block.size()));
    append32(s, 0);
    append32(s, 0);
    s += block;
    return s;
}

// An export table at `rva` naming `functions` (their code is the table's
// first byte: nothing calls them).
std::string exportTable(std::uint32_t rva, const std::string& dllName, const std::vector<std::string>& functions)
{
    const auto n = std::uint32_t(functions.size());
    const std::uint32_t functionsAt = 40, namesAt = functionsAt + 4 * n, ordinalsAt = namesAt + 4 * n;
    std::uint32_t stringsAt = ordinalsAt + 2 * n;
    std::string s;
    append32(s, 0);
    append32(s, 0);
    append32(s, 0);
    append32(s, rva + stringsAt); // the DLL's name
    append32(s, 1);               // ordinal base
    append32(s, n);
    append32(s, n);
    append32(s, rva + functionsAt);
    append32(s, rva + namesAt);
    append32(s, rva + ordinalsAt);
    for (std::uint32_t i = 0; i < n; ++i)
        append32(s, rva);
    std::string strings = dllName + '\0';
    for (std::uint32_t i = 0; i < n; ++i) {
        append32(s, rva + stringsAt + std::uint32_t(strings.size()));
        strings += functions[i] + '\0';
    }
    for (std::uint32_t i = 0; i < n; ++i)
        append16(s, i);
    return s + strings;
}

std::uint32_t alignUp(std::uint32_t n, std::uint32_t a) { return (n + a - 1) / a * a; }

} // namespace

std::string makeVersionedDll(const ImageVersion& version)
{
    std::string rsrc = resourceSection(versionBlock(version));
    std::uint32_t exportRva = 0, exportSize = 0;
    if (!version.exports.empty()) {
        pad4(rsrc);
        exportRva = kResourceRva + std::uint32_t(rsrc.size());
        const std::string table = exportTable(exportRva, version.originalFilename, version.exports);
        exportSize = std::uint32_t(table.size());
        rsrc += table;
    }
    const std::uint32_t rawSize = alignUp(std::uint32_t(rsrc.size()), kFileAlignment);
    std::string image(kFileAlignment, '\0');

    image[0] = 'M';
    image[1] = 'Z';
    put32(image, 0x3C, 0x40);
    image.replace(0x40, 4, std::string("PE\0\0", 4));
    const std::size_t coff = 0x44;
    put16(image, coff, 0x14C);  // i386
    put16(image, coff + 2, 1);  // sections
    put16(image, coff + 16, 224);
    put16(image, coff + 18, 0x2102); // executable, 32-bit, DLL
    const std::size_t opt = coff + 20;
    put16(image, opt, 0x10B);
    put32(image, opt + 8, rawSize);           // size of initialised data
    put32(image, opt + 28, 0x10000000);       // image base
    put32(image, opt + 32, kSectionAlignment);
    put32(image, opt + 36, kFileAlignment);
    put16(image, opt + 40, 4);                // OS version
    put16(image, opt + 48, 4);                // subsystem version
    put32(image, opt + 56, kResourceRva + alignUp(std::uint32_t(rsrc.size()), kSectionAlignment));
    put32(image, opt + 60, kFileAlignment);   // size of headers
    put16(image, opt + 68, 2);                // Windows GUI
    put32(image, opt + 72, 0x100000);
    put32(image, opt + 76, 0x1000);
    put32(image, opt + 80, 0x100000);
    put32(image, opt + 84, 0x1000);
    put32(image, opt + 92, 16);               // data directories
    put32(image, opt + 96, exportRva);
    put32(image, opt + 96 + 4, exportSize);
    put32(image, opt + 96 + 16, kResourceRva);
    put32(image, opt + 96 + 20, std::uint32_t(rsrc.size()));
    const std::size_t section = opt + 224;
    image.replace(section, 5, ".rsrc");
    put32(image, section + 8, std::uint32_t(rsrc.size()));
    put32(image, section + 12, kResourceRva);
    put32(image, section + 16, rawSize);
    put32(image, section + 20, kFileAlignment);
    put32(image, section + 36, 0x40000040); // initialised data, readable

    image += rsrc;
    image.resize(kFileAlignment + rawSize, '\0');
    return image;
}

} // namespace kp::sample
