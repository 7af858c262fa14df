#include "platform/urlcache/index_dat.h"

#include <algorithm>
#include <cstring>

namespace kp::win {

using namespace indexdat;

namespace {

constexpr std::uint32_t kUrlSig = 0x204C5255;  // "URL "
constexpr std::uint32_t kRedrSig = 0x52444552; // "REDR"
constexpr std::uint32_t kLeakSig = 0x4B41454C; // "LEAK"
constexpr std::uint32_t kHashSig = 0x48534148; // "HASH"
constexpr std::size_t kSignatureLength = 27;
constexpr std::size_t kSubfolderTable = 76;
constexpr std::size_t kSubfolderEntry = 12;
constexpr std::uint32_t kSlotsStart = 16;

// The substitution table shared with shlwapi's UrlHash.
constexpr std::uint8_t kHashTable[256] = {
    0x01, 0x0E, 0x6E, 0x19, 0x61, 0xAE, 0x84, 0x77, 0x8A, 0xAA, 0x7D, 0x76, 0x1B, 0xE9, 0x8C, 0x33,
    0x57, 0xC5, 0xB1, 0x6B, 0xEA, 0xA9, 0x38, 0x44, 0x1E, 0x07, 0xAD, 0x49, 0xBC, 0x28, 0x24, 0x41,
    0x31, 0xD5, 0x68, 0xBE, 0x39, 0xD3, 0x94, 0xDF, 0x30, 0x73, 0x0F, 0x02, 0x43, 0xBA, 0xD2, 0x1C,
    0x0C, 0xB5, 0x67, 0x46, 0x16, 0x3A, 0x4B, 0x4E, 0xB7, 0xA7, 0xEE, 0x9D, 0x7C, 0x93, 0xAC, 0x90,
    0xB0, 0xA1, 0x8D, 0x56, 0x3C, 0x42, 0x80, 0x53, 0x9C, 0xF1, 0x4F, 0x2E, 0xA8, 0xC6, 0x29, 0xFE,
    0xB2, 0x55, 0xFD, 0xED, 0xFA, 0x9A, 0x85, 0x58, 0x23, 0xCE, 0x5F, 0x74, 0xFC, 0xC0, 0x36, 0xDD,
    0x66, 0xDA, 0xFF, 0xF0, 0x52, 0x6A, 0x9E, 0xC9, 0x3D, 0x03, 0x59, 0x09, 0x2A, 0x9B, 0x9F, 0x5D,
    0xA6, 0x50, 0x32, 0x22, 0xAF, 0xC3, 0x64, 0x63, 0x1A, 0x96, 0x10, 0x91, 0x04, 0x21, 0x08, 0xBD,
    0x79, 0x40, 0x4D, 0x48, 0xD0, 0xF5, 0x82, 0x7A, 0x8F, 0x37, 0x69, 0x86, 0x1D, 0xA4, 0xB9, 0xC2,
    0xC1, 0xEF, 0x65, 0xF2, 0x05, 0xAB, 0x7E, 0x0B, 0x4A, 0x3B, 0x89, 0xE4, 0x6C, 0xBF, 0xE8, 0x8B,
    0x06, 0x18, 0x51, 0x14, 0x7F, 0x11, 0x5B, 0x5C, 0xFB, 0x97, 0xE1, 0xCF, 0x15, 0x62, 0x71, 0x70,
    0x54, 0xE2, 0x12, 0xD6, 0xC7, 0xBB, 0x0D, 0x20, 0x5E, 0xDC, 0xE0, 0xD4, 0xF7, 0xCC, 0xC4, 0x2B,
    0xF9, 0xEC, 0x2D, 0xF4, 0x6F, 0xB6, 0x99, 0x88, 0x81, 0x5A, 0xD9, 0xCA, 0x13, 0xA5, 0xE7, 0x47,
    0xE6, 0x8E, 0x60, 0xE3, 0x3E, 0xB3, 0xF6, 0x72, 0xA2, 0x35, 0xA0, 0xD7, 0xCD, 0xB4, 0x2F, 0x6D,
    0x2C, 0x26, 0x1F, 0x95, 0x87, 0x00, 0xD8, 0x34, 0x3F, 0x17, 0x25, 0x45, 0x27, 0x75, 0x92, 0xB8,
    0xA3, 0xC8, 0xDE, 0xEB, 0xF8, 0xF3, 0xDB, 0x0A, 0x98, 0x83, 0x7B, 0xE5, 0xCB, 0x4C, 0x78, 0xD1,
};

std::uint32_t align4(std::uint32_t n) { return (n + 3) & ~3u; }

enum class SlotKind { Empty, Redirect, Url };

// Unused slots hold the deleted or free flag, or the same value in key and
// offset (fresh tables of either writer).
SlotKind slotKind(std::uint32_t key, std::uint32_t record)
{
    if (key == record)
        return SlotKind::Empty;
    std::uint32_t flags = key & kSlotFlagMask;
    if (flags == kSlotDeleted || flags == kSlotFree)
        return SlotKind::Empty;
    if (flags & 4)
        return SlotKind::Redirect;
    return SlotKind::Url;
}

// Days since 1970-01-01 <-> civil date (proleptic Gregorian).
void civilFromDays(std::int64_t z, int& y, unsigned& m, unsigned& d)
{
    z += 719468;
    std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    unsigned doe = unsigned(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t year = std::int64_t(yoe) + era * 400;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = int(year + (m <= 2));
}

std::int64_t daysFromCivil(int y, unsigned m, unsigned d)
{
    y -= m <= 2;
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    unsigned yoe = unsigned(y - era * 400);
    unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

} // namespace

std::uint32_t indexdat::urlHash(std::string_view url)
{
    std::uint8_t key[4];
    std::uint8_t first = url.empty() ? 0 : std::uint8_t(url[0]);
    for (unsigned i = 0; i < 4; ++i)
        key[i] = kHashTable[(first + i) & 0xFF];
    for (std::size_t at = 1; at < url.size(); ++at)
        for (unsigned i = 0; i < 4; ++i)
            key[i] = kHashTable[std::uint8_t(url[at]) ^ key[i]];
    return std::uint32_t(key[0]) | std::uint32_t(key[1]) << 8 | std::uint32_t(key[2]) << 16
        | std::uint32_t(key[3]) << 24;
}

void indexdat::fileTimeToDos(FileTime time, std::uint16_t& date, std::uint16_t& dosTime)
{
    date = dosTime = 0;
    if (time.value() == 0)
        return;
    std::int64_t seconds = unixFromFileTime(time);
    std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    std::int64_t rest = seconds - days * 86400;
    int y;
    unsigned m, d;
    civilFromDays(days, y, m, d);
    if (y < 1980 || y > 2107)
        return;
    date = std::uint16_t(((y - 1980) << 9) | (m << 5) | d);
    dosTime = std::uint16_t(((rest / 3600) << 11) | (((rest / 60) % 60) << 5) | ((rest % 60) / 2));
}

FileTime indexdat::dosToFileTime(std::uint16_t date, std::uint16_t dosTime)
{
    unsigned d = date & 0x1F, m = (date >> 5) & 0x0F;
    int y = 1980 + (date >> 9);
    unsigned hour = dosTime >> 11, minute = (dosTime >> 5) & 0x3F, second = (dosTime & 0x1F) * 2;
    if (d == 0 || m == 0 || m > 12 || hour > 23 || minute > 59 || second > 59)
        return {};
    std::int64_t seconds = daysFromCivil(y, m, d) * 86400 + hour * 3600 + minute * 60 + second;
    return fileTimeFromUnix(seconds);
}

std::uint32_t IndexFile::u32(std::size_t at) const
{
    std::uint32_t v = 0;
    if (at + 4 <= bytes_.size())
        std::memcpy(&v, bytes_.data() + at, 4);
    return v;
}

QWORD IndexFile::u64(std::size_t at) const
{
    return QWORD(u32(at)) | QWORD(u32(at + 4)) << 32;
}

void IndexFile::touched(std::size_t at, std::size_t size)
{
    changed_.emplace_back(std::uint32_t(at), std::uint32_t(size));
}

void IndexFile::put32(std::size_t at, std::uint32_t value)
{
    std::memcpy(bytes_.data() + at, &value, 4);
    touched(at, 4);
}

void IndexFile::put64(std::size_t at, QWORD value)
{
    put32(at, std::uint32_t(value));
    put32(at + 4, std::uint32_t(value >> 32));
}

void IndexFile::putBytes(std::size_t at, const void* data, std::size_t size)
{
    std::memcpy(bytes_.data() + at, data, size);
    touched(at, size);
}

DWORD IndexFile::parse(std::vector<std::uint8_t> bytes, IndexFile& out)
{
    if (bytes.size() < 28)
        return err::BAD_FORMAT;
    std::string_view sig(reinterpret_cast<const char*>(bytes.data()), kSignatureLength);
    if (sig != kIeSignature && sig != kWineSignature)
        return err::BAD_FORMAT;
    IndexFile f;
    f.bytes_ = std::move(bytes);
    std::uint32_t size = f.u32(28);
    if (f.bytes_.size() < kFirstBlock || size < kFirstBlock || size > f.bytes_.size())
        return err::FILE_CORRUPT;
    f.bytes_.resize(size);
    std::uint32_t capacity = f.capacityBlocks();
    if (capacity > kMaxBlocks || kFirstBlock + QWORD(capacity) * kBlockSize > size)
        return err::FILE_CORRUPT;
    if (f.blocksInUse() > capacity || f.subfolderCount() > kMaxSubfolders)
        return err::FILE_CORRUPT;
    if (DWORD e = f.loadChain())
        return e;
    out = std::move(f);
    return err::SUCCESS;
}

DWORD IndexFile::loadChain()
{
    tables_.clear();
    const QWORD end = dataEnd();
    std::vector<bool> seen(capacityBlocks());
    // Every index has its first hash table from the start: none is damage.
    if (u32(32) == 0)
        return err::FILE_CORRUPT;
    for (std::uint32_t at = u32(32); at != 0; at = u32(at + 8)) {
        if (at < kFirstBlock || at % kBlockSize != 0 || at + QWORD(kHashTableSize) > end)
            return err::FILE_CORRUPT;
        std::uint32_t block = (at - kFirstBlock) / kBlockSize;
        if (seen[block] || u32(at) != kHashSig)
            return err::FILE_CORRUPT;
        seen[block] = true;
        tables_.push_back(at);
    }
    return err::SUCCESS;
}

IndexFile IndexFile::createEmpty(const std::vector<std::string>& subfolders, QWORD cacheLimit,
                                 std::string_view signature)
{
    IndexFile f;
    f.bytes_.assign(kFirstBlock + kMinBlocks * kBlockSize, 0);
    std::memcpy(f.bytes_.data(), signature.data(), std::min(signature.size(), kSignatureLength));
    f.put32(28, std::uint32_t(f.bytes_.size()));
    f.put32(36, kMinBlocks);
    f.put64(48, cacheLimit);
    std::uint32_t count = std::uint32_t(std::min<std::size_t>(subfolders.size(), kMaxSubfolders));
    f.put32(72, count);
    for (std::uint32_t i = 0; i < count; ++i) {
        char name[8] = {};
        std::memcpy(name, subfolders[i].data(), std::min<std::size_t>(subfolders[i].size(), 8));
        f.putBytes(kSubfolderTable + i * kSubfolderEntry + 4, name, 8);
    }
    // The first table always fits: the index grows to hold it, far below its limit.
    std::uint32_t table = 0;
    static_cast<void>(f.addHashTable(table));
    f.changed_.clear();
    return f;
}

std::string IndexFile::signature() const
{
    const char* p = reinterpret_cast<const char*>(bytes_.data());
    return std::string(p, strnlen(p, std::min<std::size_t>(28, bytes_.size())));
}

std::string IndexFile::subfolderName(std::uint32_t index) const
{
    if (index >= subfolderCount())
        return {};
    const char* p = reinterpret_cast<const char*>(bytes_.data()) + kSubfolderTable + index * kSubfolderEntry + 4;
    return std::string(p, strnlen(p, 8));
}

DWORD IndexFile::subfolderFileCount(std::uint32_t index) const
{
    return index < subfolderCount() ? u32(kSubfolderTable + index * kSubfolderEntry) : 0;
}

bool IndexFile::blockAllocated(std::uint32_t block) const
{
    return block < capacityBlocks() && (bytes_[kBitmapOffset + block / 8] >> (block % 8)) & 1;
}

DWORD IndexFile::readUrlRecord(std::uint32_t offset, UrlRecord& out) const
{
    const QWORD end = dataEnd();
    if (offset < kFirstBlock || offset % kBlockSize != 0 || offset + QWORD(kBlockSize) > end)
        return err::FILE_CORRUPT;
    if (u32(offset) != kUrlSig)
        return err::FILE_CORRUPT;
    std::uint32_t blocks = u32(offset + 4);
    QWORD recordSize = QWORD(blocks) * kBlockSize;
    if (blocks == 0 || recordSize < kUrlFixedSize || offset + recordSize > end)
        return err::FILE_CORRUPT;
    const char* base = reinterpret_cast<const char*>(bytes_.data()) + offset;
    auto string = [&](std::uint32_t at, std::string_view& s) {
        if (at < 8 || at >= recordSize)
            return false;
        const void* nul = std::memchr(base + at, 0, std::size_t(recordSize - at));
        if (!nul)
            return false;
        s = std::string_view(base + at, std::size_t(static_cast<const char*>(nul) - (base + at)));
        return true;
    };
    UrlRecord r;
    r.offset = offset;
    r.blocks = blocks;
    if (!string(u32(offset + 52), r.url))
        return err::FILE_CORRUPT;
    if (std::uint32_t at = u32(offset + 60)) {
        if (!string(at, r.localName))
            return err::FILE_CORRUPT;
        r.hasLocalName = true;
    }
    std::uint32_t headerAt = u32(offset + 68), headerSize = u32(offset + 72);
    if (headerSize) {
        if (headerAt < 8 || QWORD(headerAt) + headerSize > recordSize)
            return err::FILE_CORRUPT;
        r.headerInfo = std::string_view(base + headerAt, headerSize);
    }
    if (std::uint32_t at = u32(offset + 76)) {
        if (!string(at, r.fileExtension))
            return err::FILE_CORRUPT;
        r.hasExtension = true;
    }
    r.lastModified = {u32(offset + 8), u32(offset + 12)};
    r.lastAccess = {u32(offset + 16), u32(offset + 20)};
    r.expireDate = std::uint16_t(u32(offset + 24));
    r.expireTime = std::uint16_t(u32(offset + 24) >> 16);
    r.size = u64(offset + 32);
    r.exemptDelta = u32(offset + 44);
    r.subfolder = bytes_[offset + 56];
    r.entryType = u32(offset + 64);
    r.syncDate = std::uint16_t(u32(offset + 80));
    r.syncTime = std::uint16_t(u32(offset + 80) >> 16);
    r.hitRate = u32(offset + 84);
    r.useCount = u32(offset + 88);
    r.writeDate = std::uint16_t(u32(offset + 92));
    r.writeTime = std::uint16_t(u32(offset + 92) >> 16);
    out = r;
    return err::SUCCESS;
}

DWORD IndexFile::seekUrl(WalkPos& pos, UrlRecord& out) const
{
    for (; pos.table < tables_.size(); ++pos.table, pos.slot = 0) {
        const std::uint32_t table = tables_[pos.table];
        for (; pos.slot < kHashSlots; ++pos.slot) {
            const std::uint32_t at = table + kSlotsStart + pos.slot * 8;
            const std::uint32_t key = u32(at), record = u32(at + 4);
            if (slotKind(key, record) != SlotKind::Url)
                continue;
            if (record < kFirstBlock || record % kBlockSize != 0 || record + QWORD(kBlockSize) > dataEnd())
                return err::FILE_CORRUPT;
            const std::uint32_t sig = u32(record);
            if (sig == kRedrSig || sig == kLeakSig)
                continue;
            return readUrlRecord(record, out);
        }
    }
    return err::NO_MORE_ITEMS;
}

DWORD IndexFile::findSlot(std::string_view url, SlotRef& slot, UrlRecord& out) const
{
    if (url.empty())
        return err::FILE_NOT_FOUND;
    auto search = [&](std::uint32_t hash) -> DWORD {
        const std::uint32_t bucket = hash % kHashBuckets;
        const std::uint32_t keyBits = hash & ~kSlotFlagMask;
        for (std::uint32_t table : tables_) {
            for (std::uint32_t i = 0; i < kBucketSlots; ++i) {
                const std::uint32_t at = table + kSlotsStart + (bucket * kBucketSlots + i) * 8;
                const std::uint32_t key = u32(at), record = u32(at + 4);
                if ((key & ~kSlotFlagMask) != keyBits || slotKind(key, record) != SlotKind::Url)
                    continue;
                if (record < kFirstBlock || record % kBlockSize != 0 || record + QWORD(kBlockSize) > dataEnd())
                    return err::FILE_CORRUPT;
                if (u32(record) == kRedrSig || u32(record) == kLeakSig)
                    continue;
                UrlRecord r;
                if (DWORD e = readUrlRecord(record, r))
                    return e;
                if (r.url == url) {
                    slot = {at, key, record};
                    out = r;
                    return err::SUCCESS;
                }
            }
        }
        return err::FILE_NOT_FOUND;
    };
    DWORD e = search(urlHash(url));
    // Some writers hash a URL without its trailing slash.
    if (e == err::FILE_NOT_FOUND && url.size() > 1 && url.back() == '/')
        e = search(urlHash(url.substr(0, url.size() - 1)));
    return e;
}

DWORD IndexFile::find(std::string_view url, UrlRecord& out, bool* locked) const
{
    SlotRef slot;
    DWORD e = findSlot(url, slot, out);
    if (!e && locked)
        *locked = (slot.key & kSlotFlagMask) == kSlotLocked;
    return e;
}

void IndexFile::setBlocks(std::uint32_t first, std::uint32_t count, bool allocated)
{
    for (std::uint32_t b = first; b < first + count; ++b) {
        std::uint8_t& byte = bytes_[kBitmapOffset + b / 8];
        if (allocated)
            byte = std::uint8_t(byte | (1u << (b % 8)));
        else
            byte = std::uint8_t(byte & ~(1u << (b % 8)));
    }
    touched(kBitmapOffset + first / 8, (first + count + 7) / 8 - first / 8);
}

void IndexFile::freeRecord(const UrlRecord& record)
{
    const std::uint32_t first = (record.offset - kFirstBlock) / kBlockSize;
    const std::uint32_t count = std::min(record.blocks, capacityBlocks() - first);
    setBlocks(first, count, false);
    scanFrom_ = std::min(scanFrom_, first);
    put32(40, blocksInUse() >= count ? blocksInUse() - count : 0);
    for (std::uint32_t at = record.offset; at < record.offset + count * kBlockSize; at += 4)
        std::memcpy(bytes_.data() + at, &kFreeFill, 4);
    touched(record.offset, count * kBlockSize);
}

DWORD IndexFile::remove(std::string_view url)
{
    SlotRef slot;
    UrlRecord record;
    if (DWORD e = findSlot(url, slot, record))
        return e;
    if ((slot.key & kSlotFlagMask) == kSlotLocked)
        return err::ACCESS_DENIED;
    if (record.hasLocalName && record.subfolder < subfolderCount()) {
        const std::size_t at = kSubfolderTable + record.subfolder * kSubfolderEntry;
        if (u32(at) > 0)
            put32(at, u32(at) - 1);
    }
    const std::size_t usageAt = (record.entryType & 0x4) ? 64 : 56;
    const QWORD usage = u64(usageAt);
    put64(usageAt, usage > record.size ? usage - record.size : 0);
    freeRecord(record);
    put32(slot.at, kSlotDeleted);
    return err::SUCCESS;
}

DWORD IndexFile::grow(std::uint32_t minimumBlocks)
{
    const std::uint32_t capacity = capacityBlocks();
    if (capacity >= kMaxBlocks)
        return err::DISK_FULL;
    std::uint32_t target = std::max(capacity * 2, capacity + minimumBlocks);
    target = std::min(target, kMaxBlocks);
    bytes_.resize(kFirstBlock + std::size_t(target) * kBlockSize, 0);
    put32(28, std::uint32_t(bytes_.size()));
    put32(36, target);
    grew_ = true;
    return err::SUCCESS;
}

DWORD IndexFile::allocate(std::uint32_t blocks, std::uint32_t alignBlocks, std::uint32_t& offset)
{
    for (;;) {
        const std::uint32_t capacity = capacityBlocks();
        std::uint32_t start = (scanFrom_ + alignBlocks - 1) / alignBlocks * alignBlocks;
        while (start + blocks <= capacity) {
            std::uint32_t run = 0;
            while (run < blocks && !blockAllocated(start + run))
                ++run;
            if (run == blocks) {
                if (start == scanFrom_)
                    scanFrom_ = start + blocks;
                setBlocks(start, blocks, true);
                put32(40, blocksInUse() + blocks);
                offset = kFirstBlock + start * kBlockSize;
                return err::SUCCESS;
            }
            start += run + 1;
            // Skip whole allocated bytes quickly.
            while (start + blocks <= capacity && start % 8 == 0 && bytes_[kBitmapOffset + start / 8] == 0xFF)
                start += 8;
            if (alignBlocks > 1)
                start = (start + alignBlocks - 1) / alignBlocks * alignBlocks;
        }
        if (DWORD e = grow(blocks + alignBlocks))
            return e;
    }
}

DWORD IndexFile::addHashTable(std::uint32_t& offset)
{
    if (DWORD e = allocate(kHashTableBlocks, kHashTableBlocks, offset))
        return e;
    std::vector<std::uint8_t> table(kHashTableSize, 0);
    auto set = [&](std::size_t at, std::uint32_t v) { std::memcpy(table.data() + at, &v, 4); };
    set(0, kHashSig);
    set(4, kHashTableBlocks);
    set(12, tables_.empty() ? 0 : u32(tables_.back() + 12) + 1);
    for (std::uint32_t i = 0; i < kHashSlots; ++i) {
        set(kSlotsStart + i * 8, kSlotFree);
        set(kSlotsStart + i * 8 + 4, kSlotFree);
    }
    putBytes(offset, table.data(), table.size());
    if (tables_.empty())
        put32(32, offset);
    else
        put32(tables_.back() + 8, offset);
    tables_.push_back(offset);
    return err::SUCCESS;
}

DWORD IndexFile::insertSlot(std::uint32_t hash, std::uint32_t key, std::uint32_t record)
{
    const std::uint32_t bucket = hash % kHashBuckets;
    for (std::uint32_t table : tables_) {
        for (std::uint32_t i = 0; i < kBucketSlots; ++i) {
            const std::uint32_t at = table + kSlotsStart + (bucket * kBucketSlots + i) * 8;
            if (slotKind(u32(at), u32(at + 4)) == SlotKind::Empty) {
                put32(at, key);
                put32(at + 4, record);
                return err::SUCCESS;
            }
        }
    }
    std::uint32_t table = 0;
    if (DWORD e = addHashTable(table))
        return e;
    const std::uint32_t at = table + kSlotsStart + bucket * kBucketSlots * 8;
    put32(at, key);
    put32(at + 4, record);
    return err::SUCCESS;
}

DWORD IndexFile::add(const NewUrlRecord& n)
{
    if (n.url.empty() || n.url.find('\0') != std::string::npos)
        return err::INVALID_PARAMETER;
    const bool hasLocal = !n.localName.empty();
    if (hasLocal && n.subfolder != kNoSubfolder && n.subfolder >= subfolderCount())
        return err::INVALID_PARAMETER;
    if (DWORD e = remove(n.url); e && e != err::FILE_NOT_FOUND)
        return e;

    std::uint32_t size = kUrlFixedSize + align4(std::uint32_t(n.url.size()) + 1);
    std::uint32_t localAt = 0, headerAt = 0, extAt = 0;
    if (hasLocal) {
        localAt = size;
        size += align4(std::uint32_t(n.localName.size()) + 1);
    }
    if (!n.headerInfo.empty()) {
        headerAt = size;
        size += align4(std::uint32_t(n.headerInfo.size()));
    }
    if (!n.fileExtension.empty()) {
        extAt = size;
        size += align4(std::uint32_t(n.fileExtension.size()) + 1);
    }
    const std::uint32_t blocks = (size + kBlockSize - 1) / kBlockSize;
    if (blocks > kMaxBlocks / 2)
        return err::INVALID_PARAMETER;

    std::uint32_t offset = 0;
    if (DWORD e = allocate(blocks, 1, offset))
        return e;
    std::vector<std::uint8_t> rec(std::size_t(blocks) * kBlockSize, 0);
    auto set32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(rec.data() + at, &v, 4); };
    auto set16 = [&](std::size_t at, std::uint16_t v) { std::memcpy(rec.data() + at, &v, 2); };
    auto setText = [&](std::size_t at, const std::string& s) { std::memcpy(rec.data() + at, s.data(), s.size()); };
    std::uint16_t date, time;
    set32(0, kUrlSig);
    set32(4, blocks);
    set32(8, n.lastModified.low);
    set32(12, n.lastModified.high);
    set32(16, n.lastAccess.low);
    set32(20, n.lastAccess.high);
    indexdat::fileTimeToDos(n.expire, date, time);
    set16(24, date);
    set16(26, time);
    set32(32, std::uint32_t(n.size));
    set32(36, std::uint32_t(n.size >> 32));
    set32(44, n.exemptDelta);
    set32(48, 0x60);
    set32(52, kUrlFixedSize);
    rec[56] = hasLocal ? n.subfolder : kNoSubfolder;
    set16(58, 0x1010);
    set32(60, localAt);
    set32(64, n.entryType);
    set32(68, headerAt);
    set32(72, std::uint32_t(n.headerInfo.size()));
    set32(76, extAt);
    indexdat::fileTimeToDos(n.lastSync, date, time);
    set16(80, date);
    set16(82, time);
    set32(84, n.hitRate);
    set32(88, n.useCount);
    indexdat::fileTimeToDos(n.fileWrite, date, time);
    set16(92, date);
    set16(94, time);
    setText(kUrlFixedSize, n.url);
    if (hasLocal)
        setText(localAt, n.localName);
    if (headerAt)
        setText(headerAt, n.headerInfo);
    if (extAt)
        setText(extAt, n.fileExtension);
    putBytes(offset, rec.data(), rec.size());

    const std::uint32_t hash = urlHash(n.url);
    const std::uint32_t key = (hash & ~kSlotFlagMask) | (n.locked ? kSlotLocked : kSlotUrl);
    if (DWORD e = insertSlot(hash, key, offset)) {
        UrlRecord written;
        if (readUrlRecord(offset, written) == err::SUCCESS)
            freeRecord(written);
        return e;
    }
    if (hasLocal && n.subfolder < subfolderCount()) {
        const std::size_t at = kSubfolderTable + n.subfolder * kSubfolderEntry;
        put32(at, u32(at) + 1);
    }
    const std::size_t usageAt = (n.entryType & 0x4) ? 64 : 56;
    put64(usageAt, u64(usageAt) + n.size);
    return err::SUCCESS;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> IndexFile::takeChangedRanges()
{
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;
    std::sort(changed_.begin(), changed_.end());
    for (auto [at, size] : changed_) {
        if (!ranges.empty() && at <= ranges.back().first + ranges.back().second) {
            auto& last = ranges.back();
            last.second = std::max(last.first + last.second, at + size) - last.first;
        } else {
            ranges.emplace_back(at, size);
        }
    }
    changed_.clear();
    grew_ = false;
    return ranges;
}

} // namespace kp::win
