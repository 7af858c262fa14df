#pragma once
// Internet Explorer's URL cache index (index.dat), held in memory.
//
// Layout: a header (signature, file size, first HASH table, capacity and used
// block counts, cache sizes, cache subfolder table), the allocation bitmap at
// 0x250 (bit i of byte i/8 for block i) and 128-byte blocks from 0x4000 that
// hold HASH tables and URL / REDR / LEAK records. Every offset read from the
// file is checked against the file before it is followed; damage gives
// FILE_CORRUPT, a file of another kind BAD_FORMAT.
//
// Edits change the bytes in memory and remember which ranges changed, so that
// the caller writes back only those.

#include "platform/win32.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kp::win {

namespace indexdat {
inline constexpr std::uint32_t kBlockSize = 128;
inline constexpr std::uint32_t kFirstBlock = 0x4000;
inline constexpr std::uint32_t kBitmapOffset = 0x250;
inline constexpr std::uint32_t kMaxBlocks = (kFirstBlock - kBitmapOffset) * 8;
inline constexpr std::uint32_t kMinBlocks = 0x80;
inline constexpr std::uint32_t kHashTableBlocks = 0x20;
inline constexpr std::uint32_t kHashTableSize = kHashTableBlocks * kBlockSize;
inline constexpr std::uint32_t kHashSlots = 448;
inline constexpr std::uint32_t kHashBuckets = 64;
inline constexpr std::uint32_t kBucketSlots = kHashSlots / kHashBuckets;
inline constexpr std::uint32_t kUrlFixedSize = 0x68;
inline constexpr std::uint32_t kMaxSubfolders = 32;
inline constexpr std::uint8_t kNoSubfolder = 0xFE;
inline constexpr std::uint32_t kFreeFill = 0x0BADF00D;

// Low six bits of a slot key.
inline constexpr std::uint32_t kSlotFlagMask = 0x3F;
inline constexpr std::uint32_t kSlotUrl = 0;
inline constexpr std::uint32_t kSlotDeleted = 1;
inline constexpr std::uint32_t kSlotLocked = 2;
inline constexpr std::uint32_t kSlotFree = 3;
inline constexpr std::uint32_t kSlotRedirect = 5;

inline constexpr std::string_view kIeSignature = "Client UrlCache MMF Ver 5.2";
inline constexpr std::string_view kWineSignature = "WINE URLCache Ver 0.2012001";

// WinINet's 32-bit URL hash: the bucket is hash % 64, the slot key keeps the
// upper 26 bits.
std::uint32_t urlHash(std::string_view url);

// FILETIME <-> MS-DOS date and time, field by field (no time zone), 0/0 for
// a zero FILETIME and for times the DOS format cannot hold.
void fileTimeToDos(FileTime time, std::uint16_t& date, std::uint16_t& dosTime);
FileTime dosToFileTime(std::uint16_t date, std::uint16_t dosTime);
} // namespace indexdat

// One URL record as stored; the strings view the IndexFile's bytes and stay
// valid until it changes.
struct UrlRecord {
    std::uint32_t offset = 0;
    std::uint32_t blocks = 0;
    FileTime lastModified;
    FileTime lastAccess;
    std::uint16_t expireDate = 0;
    std::uint16_t expireTime = 0;
    QWORD size = 0;
    DWORD exemptDelta = 0;
    std::uint8_t subfolder = indexdat::kNoSubfolder;
    DWORD entryType = 0;
    DWORD hitRate = 0;
    DWORD useCount = 0;
    std::uint16_t syncDate = 0;
    std::uint16_t syncTime = 0;
    std::uint16_t writeDate = 0;
    std::uint16_t writeTime = 0;
    std::string_view url;
    bool hasLocalName = false;
    std::string_view localName;
    std::string_view headerInfo;
    bool hasExtension = false;
    std::string_view fileExtension;
};

// What a new record holds.
struct NewUrlRecord {
    std::string url;
    std::string localName; // empty: no local file
    std::uint8_t subfolder = indexdat::kNoSubfolder;
    DWORD entryType = 0;
    FileTime lastModified;
    FileTime lastAccess;
    FileTime expire;
    FileTime lastSync;
    FileTime fileWrite; // the local file's write time
    QWORD size = 0;
    DWORD exemptDelta = 0;
    DWORD hitRate = 1;
    DWORD useCount = 0;
    std::string headerInfo;
    std::string fileExtension;
    bool locked = false;
};

class IndexFile {
public:
    // Position of a walk: the hash table's place in the chain and the slot.
    struct WalkPos {
        std::uint32_t table = 0;
        std::uint32_t slot = 0;
    };

    IndexFile() = default;

    // Takes a file's bytes; checks the signature, the header against the
    // file and the chain of HASH tables (bounds, signatures, loops).
    [[nodiscard]] static DWORD parse(std::vector<std::uint8_t> bytes, IndexFile& out);

    // A new, empty index with Internet Explorer's signature (or Wine's), the
    // given cache subfolders (8-character names) and cache limit.
    static IndexFile createEmpty(const std::vector<std::string>& subfolders, QWORD cacheLimit,
                                 std::string_view signature = indexdat::kIeSignature);

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::string signature() const;
    std::uint32_t fileSize() const { return u32(28); }
    std::uint32_t capacityBlocks() const { return u32(36); }
    std::uint32_t blocksInUse() const { return u32(40); }
    QWORD cacheLimit() const { return u64(48); }
    QWORD cacheUsage() const { return u64(56); }
    QWORD exemptUsage() const { return u64(64); }
    std::uint32_t subfolderCount() const { return u32(72); }
    std::string subfolderName(std::uint32_t index) const; // "" when out of range
    DWORD subfolderFileCount(std::uint32_t index) const;
    const std::vector<std::uint32_t>& hashTables() const { return tables_; }
    bool blockAllocated(std::uint32_t block) const;

    // Moves `pos` to the next slot holding a URL entry at or after it and
    // reads that record. NO_MORE_ITEMS past the last one; FILE_CORRUPT when a
    // slot or its record is damaged.
    [[nodiscard]] DWORD seekUrl(WalkPos& pos, UrlRecord& out) const;

    // Reads the URL record at `offset`, checking every field against it.
    [[nodiscard]] DWORD readUrlRecord(std::uint32_t offset, UrlRecord& out) const;

    // Finds a URL through its hash bucket, comparing the stored URL.
    // FILE_NOT_FOUND when the index does not hold it.
    [[nodiscard]] DWORD find(std::string_view url, UrlRecord& out, bool* locked = nullptr) const;

    // Removes a URL entry: its slot becomes deleted, its blocks free (and
    // filled), the header's counts follow. ACCESS_DENIED while the entry is
    // locked, FILE_NOT_FOUND when missing. The local file is not touched.
    [[nodiscard]] DWORD remove(std::string_view url);

    // Adds a record (an entry of the same URL is replaced), growing the
    // index when it is full. DISK_FULL when it cannot grow further.
    [[nodiscard]] DWORD add(const NewUrlRecord& record);

    // Byte ranges changed since the last call, merged and sorted.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> takeChangedRanges();
    // True when an edit grew the file since the last takeChangedRanges.
    bool grew() const { return grew_; }

private:
    QWORD dataEnd() const { return indexdat::kFirstBlock + QWORD(capacityBlocks()) * indexdat::kBlockSize; }
    std::uint32_t u32(std::size_t at) const;
    QWORD u64(std::size_t at) const;
    void put32(std::size_t at, std::uint32_t value);
    void put64(std::size_t at, QWORD value);
    void putBytes(std::size_t at, const void* data, std::size_t size);
    void touched(std::size_t at, std::size_t size);

    [[nodiscard]] DWORD loadChain();
    struct SlotRef {
        std::uint32_t at = 0; // file offset of the slot
        std::uint32_t key = 0;
        std::uint32_t record = 0;
    };
    [[nodiscard]] DWORD findSlot(std::string_view url, SlotRef& slot, UrlRecord& out) const;
    [[nodiscard]] DWORD allocate(std::uint32_t blocks, std::uint32_t alignBlocks, std::uint32_t& offset);
    [[nodiscard]] DWORD grow(std::uint32_t minimumBlocks);
    void setBlocks(std::uint32_t first, std::uint32_t count, bool allocated);
    [[nodiscard]] DWORD addHashTable(std::uint32_t& offset);
    [[nodiscard]] DWORD insertSlot(std::uint32_t hash, std::uint32_t key, std::uint32_t record);
    void freeRecord(const UrlRecord& record);

    std::vector<std::uint8_t> bytes_;
    std::vector<std::uint32_t> tables_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> changed_;
    bool grew_ = false;
    std::uint32_t scanFrom_ = 0; // every block below is allocated
};

} // namespace kp::win
