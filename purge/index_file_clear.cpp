#include "purge/index_file_clear.h"

#include "core/keywords.h"
#include "platform/files/file_system.h"
#include "platform/machine.h"
#include "platform/system/wine_session.h"
#include "purge/browser_window.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kp {

namespace {

constexpr std::size_t kMinimumSize = 16384;
constexpr std::size_t kTableSize = 4096;
constexpr std::size_t kSlotsAt = 16;
constexpr std::size_t kSlots = 448;
constexpr std::size_t kBlock = 128;
constexpr std::uint8_t kFreeFill[4] = {0x0D, 0xF0, 0xAD, 0x0B};

using Bytes = std::vector<std::uint8_t>;

std::uint32_t get32(const Bytes& b, std::size_t at)
{
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16
        | std::uint32_t(b[at + 3]) << 24;
}

void put32(Bytes& b, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        b[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

bool isHash(const Bytes& b, std::size_t at)
{
    static constexpr char kHash[] = "HASH";
    for (std::size_t i = 0; i < 4; ++i)
        if (std::toupper(b[at + i]) != kHash[i])
            return false;
    return true;
}

// The offsets of the hash tables, each checked; empty when the chain is
// damaged (bounds, alignment, signature, or a loop).
std::vector<std::size_t> hashChain(const Bytes& b)
{
    std::vector<std::size_t> tables;
    std::size_t at = get32(b, 32);
    while (at != 0) {
        if (at < kMinimumSize || at % kTableSize != 0 || at + kTableSize > b.size() || !isHash(b, at)
            || std::find(tables.begin(), tables.end(), at) != tables.end())
            return {};
        tables.push_back(at);
        at = get32(b, at + 8);
    }
    return tables;
}

bool blockIsFree(const Bytes& b, std::size_t at)
{
    bool zero = true, filled = true;
    for (std::size_t i = 0; i < kBlock && (zero || filled); ++i) {
        zero = zero && b[at + i] == 0;
        filled = filled && b[at + i] == kFreeFill[i % 4];
    }
    return zero || filled;
}

void clearBuffer(Bytes& b, const std::vector<std::size_t>& tables, char type)
{
    for (std::size_t table : tables)
        for (std::size_t slot = 0; slot < kSlots; ++slot) {
            const std::size_t at = table + kSlotsAt + slot * 8;
            if (b[at] != 1 && b[at] != 3)
                put32(b, at, 1);
        }
    std::size_t at = tables.front() + kTableSize;
    while (at + kBlock <= b.size()) {
        if (isHash(b, at)) {
            at += kTableSize;
            continue;
        }
        if (!blockIsFree(b, at))
            for (std::size_t i = 0; i < kBlock; ++i)
                b[at + i] = kFreeFill[i % 4];
        at += kBlock;
    }
    if (type != 'V' && type != 'D')
        return;
    std::fill(b.begin() + 41, b.begin() + 48, 0);
    std::fill(b.begin() + 52, b.begin() + std::ptrdiff_t(tables.front()), 0);
    std::uint32_t blocks = 0;
    for (std::size_t table : tables) {
        put32(b, 576 + table / 1024, 0xFFFFFFFF);
        blocks += 32;
    }
    put32(b, 40, blocks);
}

} // namespace

bool ClearIndexFile(win::Machine& machine, const BrowserWindows& browsers, const Keywords& keywords,
                    const std::string& path, char type, std::string& status)
{
    if (!keywords.IsKeywordPresent("NOIE")) {
        const struct {
            BrowserKind kind;
            bool visible;
            const char* status;
        } tests[] = {
            {BrowserKind::IE, true, "Found active IE window..."},
            {BrowserKind::IE, false, "Found invisible IE window..."},
            {BrowserKind::MSN, true, "Found active MSN window..."},
            {BrowserKind::MSN, false, "Found invisible MSN window..."},
        };
        for (const auto& test : tests)
            if (browsers.FindBrowserWindow(test.kind, test.visible)) {
                status = test.status;
                return false;
            }
    }
    if (win::detectWineSession(machine.prefixDir()).running) {
        status = "Found running Wine session of this machine...";
        return false;
    }
    status = "Processed with no Errors...";

    win::FileSystem files(machine);
    win::FindData info;
    if (files.getFileInfo(path, info) || (info.attributes & win::attr::DIRECTORY) || info.size < kMinimumSize) {
        status = "Error GetFileSize";
        return false;
    }
    Bytes bytes;
    {
        win::File in;
        if (files.createFile(path, win::access::GENERIC_READ, win::share::READ | win::share::WRITE,
                             win::Disposition::OpenExisting, 0, in)
            || info.size > 0x7FFFFFFF) {
            status = "Error GetFileSize";
            return false;
        }
        bytes.resize(std::size_t(info.size));
        win::DWORD done = 0;
        if (in.read(bytes.data(), win::DWORD(bytes.size()), done) || done != bytes.size()) {
            status = "Error Reading file";
            return false;
        }
    }

    const std::vector<std::size_t> tables = hashChain(bytes);
    if (tables.empty()) {
        status = "Error Modifying file";
        return false;
    }
    clearBuffer(bytes, tables, type);

    win::File out;
    const win::DWORD opened = files.createFile(path, win::access::GENERIC_READ | win::access::GENERIC_WRITE,
                                               win::share::READ | win::share::WRITE, win::Disposition::OpenExisting,
                                               0, out);
    if (opened == win::err::FILE_NOT_FOUND || opened == win::err::PATH_NOT_FOUND) {
        status = "Error Writing file - not found";
        return false;
    }
    win::DWORD written = 0;
    if (opened || out.write(bytes.data(), win::DWORD(bytes.size()), written) || written != bytes.size()
        || out.flush()) {
        status = "Error Writing file";
        return false;
    }
    return true;
}

} // namespace kp
