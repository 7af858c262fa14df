#include "platform/system/shell_link.h"

#include "platform/files/file_system.h"
#include "platform/files/text_file.h"

namespace kp::win {

namespace {

constexpr std::uint32_t kHasLinkInfo = 0x02;
constexpr std::uint32_t kHasName = 0x04;
constexpr std::uint32_t kHasRelativePath = 0x08;
constexpr std::uint32_t kHasWorkingDir = 0x10;
constexpr std::uint32_t kHasArguments = 0x20;
constexpr std::uint32_t kHasIconLocation = 0x40;
constexpr std::uint32_t kIsUnicode = 0x80;
constexpr std::uint32_t kDriveFixed = 3;

void put16(std::string& out, std::uint32_t v)
{
    out += char(v & 0xff);
    out += char((v >> 8) & 0xff);
}

void put32(std::string& out, std::uint32_t v)
{
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

void putTime(std::string& out, FileTime t)
{
    put32(out, t.low);
    put32(out, t.high);
}

// UTF-8 to UTF-16 code units; malformed bytes become U+FFFD.
std::u16string toUtf16(const std::string& text)
{
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = (unsigned char)text[i];
        std::uint32_t cp = 0xFFFD;
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size()) {
            ++i;
        } else {
            cp = length == 1 ? c : c & (0xFF >> (length + 1));
            for (std::size_t j = 1; j < length; ++j)
                cp = (cp << 6) | ((unsigned char)text[i + j] & 0x3F);
            i += length;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += char16_t(0xD800 + (cp >> 10));
            out += char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            out += char16_t(cp);
        }
    }
    return out;
}

void putCountedString(std::string& out, const std::string& text)
{
    std::u16string units = toUtf16(text);
    put16(out, std::uint32_t(units.size()));
    for (char16_t u : units)
        put16(out, u);
}

std::string linkInfo(const ShellLink& link)
{
    constexpr std::uint32_t headerSize = 0x1C;
    std::string volume;
    put32(volume, 0x11);
    put32(volume, kDriveFixed);
    put32(volume, link.volumeSerial);
    put32(volume, 0x10);
    volume += '\0'; // empty volume label
    std::string basePath = link.targetPath + '\0';
    std::uint32_t volumeOffset = headerSize;
    std::uint32_t baseOffset = volumeOffset + std::uint32_t(volume.size());
    std::uint32_t suffixOffset = baseOffset + std::uint32_t(basePath.size());
    std::uint32_t total = suffixOffset + 1;

    std::string out;
    put32(out, total);
    put32(out, headerSize);
    put32(out, 1); // VolumeIDAndLocalBasePath
    put32(out, volumeOffset);
    put32(out, baseOffset);
    put32(out, 0); // no network location
    put32(out, suffixOffset);
    out += volume;
    out += basePath;
    out += '\0'; // empty common path suffix
    return out;
}

} // namespace

std::string shellLinkBytes(const ShellLink& link)
{
    std::uint32_t flags = kHasLinkInfo | kIsUnicode;
    if (!link.description.empty())
        flags |= kHasName;
    if (!link.relativePath.empty())
        flags |= kHasRelativePath;
    if (!link.workingDir.empty())
        flags |= kHasWorkingDir;
    if (!link.arguments.empty())
        flags |= kHasArguments;
    if (!link.iconLocation.empty())
        flags |= kHasIconLocation;
    const int show = link.showCommand;
    const bool known = show == showcmd::NORMAL || show == showcmd::MAXIMIZED || show == showcmd::MINNOACTIVE;

    std::string out;
    put32(out, 0x4C);
    static const unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    out.append(reinterpret_cast<const char*>(kLinkClsid), sizeof kLinkClsid);
    put32(out, flags);
    put32(out, link.targetAttributes);
    putTime(out, link.creationTime);
    putTime(out, link.accessTime);
    putTime(out, link.writeTime);
    put32(out, link.targetSize);
    put32(out, std::uint32_t(link.iconIndex));
    put32(out, std::uint32_t(known ? show : showcmd::NORMAL));
    put16(out, 0); // hot key
    put16(out, 0);
    put32(out, 0);
    put32(out, 0);

    out += linkInfo(link);
    if (flags & kHasName)
        putCountedString(out, link.description);
    if (flags & kHasRelativePath)
        putCountedString(out, link.relativePath);
    if (flags & kHasWorkingDir)
        putCountedString(out, link.workingDir);
    if (flags & kHasArguments)
        putCountedString(out, link.arguments);
    if (flags & kHasIconLocation)
        putCountedString(out, link.iconLocation);
    put32(out, 0); // terminal block
    return out;
}

DWORD saveShellLink(Machine& machine, std::string_view linkPath, ShellLink link)
{
    FileSystem files(machine);
    FindData target;
    if (files.getFileInfo(link.targetPath, target) == err::SUCCESS) {
        link.targetAttributes = target.attributes;
        link.targetSize = std::uint32_t(target.size);
        link.creationTime = target.creationTime;
        link.accessTime = target.lastAccessTime;
        link.writeTime = target.lastWriteTime;
    }
    return replaceTextFile(machine, linkPath, shellLinkBytes(link));
}

} // namespace kp::win
