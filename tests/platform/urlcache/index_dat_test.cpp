#include "platform/urlcache/index_dat.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <set>
#include <unordered_map>

using namespace kp::win;
using namespace kp::win::indexdat;

namespace {

std::uint32_t get32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

void set32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    std::memcpy(b.data() + at, &v, 4);
}

NewUrlRecord contentRecord(const std::string& url, std::uint8_t subfolder = 0)
{
    NewUrlRecord r;
    r.url = url;
    r.localName = "page[1].htm";
    r.subfolder = subfolder;
    r.entryType = 0x1;
    r.size = 1234;
    r.lastAccess = fileTimeFromUnix(1700000000);
    r.lastModified = fileTimeFromUnix(1690000000);
    r.headerInfo = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";
    r.fileExtension = "htm";
    return r;
}

std::vector<std::string> walkUrls(const IndexFile& f, DWORD* end = nullptr)
{
    std::vector<std::string> urls;
    IndexFile::WalkPos pos;
    UrlRecord r;
    DWORD e;
    while ((e = f.seekUrl(pos, r)) == err::SUCCESS) {
        urls.emplace_back(r.url);
        ++pos.slot;
    }
    if (end)
        *end = e;
    return urls;
}

// The rules Wine checks before it trusts an index (it wipes the cache otherwise).
void expectConsistent(const IndexFile& f)
{
    const auto& b = f.bytes();
    EXPECT_EQ(f.fileSize(), b.size());
    EXPECT_EQ(kFirstBlock + f.capacityBlocks() * kBlockSize, f.fileSize());
    std::uint32_t bits = 0;
    for (std::uint32_t i = 0; i < f.capacityBlocks() / 8; ++i)
        bits += std::popcount(b[kBitmapOffset + i]);
    EXPECT_EQ(bits, f.blocksInUse());
    for (std::size_t i = kBitmapOffset + f.capacityBlocks() / 8; i < kFirstBlock; ++i)
        ASSERT_EQ(b[i], 0) << "bitmap byte beyond capacity at " << i;
}

IndexFile reparsed(const IndexFile& f)
{
    IndexFile out;
    EXPECT_EQ(IndexFile::parse(f.bytes(), out), err::SUCCESS);
    return out;
}

} // namespace

TEST(IndexDat, NewFileHasInternetExplorersLayout)
{
    IndexFile f = IndexFile::createEmpty({"AB12CD34", "XY98ZW76"}, 0x07ff5400);
    const auto& b = f.bytes();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data())), "Client UrlCache MMF Ver 5.2");
    EXPECT_EQ(b.size(), 0x8000u);
    EXPECT_EQ(f.subfolderCount(), 2u);
    EXPECT_EQ(f.subfolderName(1), "XY98ZW76");
    ASSERT_EQ(f.hashTables().size(), 1u);
    EXPECT_EQ(f.hashTables()[0] % 4096, 0u);
    EXPECT_EQ(get32(b, f.hashTables()[0]), 0x48534148u);
    expectConsistent(f);
}

TEST(IndexDat, RecordsRoundTripThroughTheBytes)
{
    IndexFile f = IndexFile::createEmpty({"AB12CD34", "XY98ZW76"}, 0x07ff5400);
    NewUrlRecord sticky = contentRecord("http://example.com/channel.cdf", 1);
    sticky.entryType = 0x4 | 0x1;
    sticky.size = 5000;
    NewUrlRecord visited;
    visited.url = "Visited: user@http://example.com/";
    visited.entryType = 0x00200001;
    visited.hitRate = 7;
    visited.lastAccess = fileTimeFromUnix(1700000500);
    ASSERT_EQ(f.add(contentRecord("http://example.com/")), err::SUCCESS);
    ASSERT_EQ(f.add(sticky), err::SUCCESS);
    ASSERT_EQ(f.add(visited), err::SUCCESS);

    IndexFile g = reparsed(f);
    std::vector<std::string> urls = walkUrls(g);
    EXPECT_EQ(std::set<std::string>(urls.begin(), urls.end()),
              (std::set<std::string>{"http://example.com/", "http://example.com/channel.cdf",
                                     "Visited: user@http://example.com/"}));

    UrlRecord r;
    ASSERT_EQ(g.find("http://example.com/channel.cdf", r), err::SUCCESS);
    EXPECT_EQ(r.localName, "page[1].htm");
    EXPECT_EQ(r.subfolder, 1);
    EXPECT_EQ(r.entryType, 0x5u);
    EXPECT_EQ(r.size, 5000u);
    EXPECT_EQ(r.fileExtension, "htm");
    EXPECT_EQ(r.headerInfo, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n");
    EXPECT_EQ(r.lastAccess, fileTimeFromUnix(1700000000));
    ASSERT_EQ(g.find("Visited: user@http://example.com/", r), err::SUCCESS);
    EXPECT_FALSE(r.hasLocalName);
    EXPECT_EQ(r.hitRate, 7u);
    EXPECT_EQ(g.find("http://example.com", r), err::FILE_NOT_FOUND);

    EXPECT_EQ(g.cacheUsage(), 1234u);
    EXPECT_EQ(g.exemptUsage(), 5000u);
    EXPECT_EQ(g.subfolderFileCount(0), 1u);
    EXPECT_EQ(g.subfolderFileCount(1), 1u);
    expectConsistent(g);
}

TEST(IndexDat, AddingTheSameUrlReplacesTheEntry)
{
    IndexFile f = IndexFile::createEmpty({"AB12CD34"}, 1 << 20);
    ASSERT_EQ(f.add(contentRecord("http://a.example/")), err::SUCCESS);
    NewUrlRecord again = contentRecord("http://a.example/");
    again.size = 99;
    ASSERT_EQ(f.add(again), err::SUCCESS);
    EXPECT_EQ(walkUrls(f).size(), 1u);
    EXPECT_EQ(f.cacheUsage(), 99u);
    EXPECT_EQ(f.subfolderFileCount(0), 1u);
    expectConsistent(f);
}

TEST(IndexDat, RemoveFreesSlotBlocksAndCountsAndWritesOnlyThoseBytes)
{
    IndexFile f = IndexFile::createEmpty({"AB12CD34"}, 1 << 20);
    ASSERT_EQ(f.add(contentRecord("http://a.example/")), err::SUCCESS);
    ASSERT_EQ(f.add(contentRecord("http://b.example/")), err::SUCCESS);
    f.takeChangedRanges();
    UrlRecord a;
    ASSERT_EQ(f.find("http://a.example/", a), err::SUCCESS);
    const std::uint32_t recordAt = a.offset, blocks = a.blocks, inUse = f.blocksInUse();
    const std::vector<std::uint8_t> before = f.bytes();

    ASSERT_EQ(f.remove("http://a.example/"), err::SUCCESS);
    UrlRecord r;
    EXPECT_EQ(f.find("http://a.example/", r), err::FILE_NOT_FOUND);
    EXPECT_EQ(f.find("http://b.example/", r), err::SUCCESS);
    EXPECT_EQ(f.remove("http://a.example/"), err::FILE_NOT_FOUND);
    EXPECT_EQ(f.blocksInUse(), inUse - blocks);
    EXPECT_FALSE(f.blockAllocated((recordAt - kFirstBlock) / kBlockSize));
    EXPECT_EQ(get32(f.bytes(), recordAt), kFreeFill) << "the deleted URL must not stay readable";
    EXPECT_EQ(f.cacheUsage(), 1234u);
    EXPECT_EQ(f.subfolderFileCount(0), 1u);

    std::vector<std::uint8_t> patched = before;
    std::size_t written = 0;
    for (auto [at, size] : f.takeChangedRanges()) {
        std::memcpy(patched.data() + at, f.bytes().data() + at, size);
        written += size;
    }
    EXPECT_EQ(patched, f.bytes());
    EXPECT_LE(written, blocks * kBlockSize + 64);
    expectConsistent(f);
}

TEST(IndexDat, LockedEntriesAreNotRemoved)
{
    IndexFile f = IndexFile::createEmpty({}, 1 << 20);
    NewUrlRecord r;
    r.url = "Cookie:user@example.com/";
    r.locked = true;
    ASSERT_EQ(f.add(r), err::SUCCESS);
    EXPECT_EQ(f.remove(r.url), err::ACCESS_DENIED);
    UrlRecord found;
    bool locked = false;
    EXPECT_EQ(f.find(r.url, found, &locked), err::SUCCESS);
    EXPECT_TRUE(locked);
}

TEST(IndexDat, GrowsAndChainsHashTablesAsEntriesAreAdded)
{
    IndexFile f = IndexFile::createEmpty({"AB12CD34", "EF56GH78"}, 1 << 30);
    const int count = 3000;
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(f.add(contentRecord("http://host" + std::to_string(i) + ".example/p", std::uint8_t(i % 2))),
                  err::SUCCESS);
    IndexFile g = reparsed(f);
    EXPECT_GT(g.capacityBlocks(), kMinBlocks);
    EXPECT_GT(g.hashTables().size(), 1u);
    for (std::uint32_t t : g.hashTables())
        EXPECT_EQ(t % 4096, 0u);
    EXPECT_EQ(walkUrls(g).size(), std::size_t(count));
    UrlRecord r;
    for (int i = 0; i < count; i += 97)
        EXPECT_EQ(g.find("http://host" + std::to_string(i) + ".example/p", r), err::SUCCESS);
    expectConsistent(g);

    for (int i = 0; i < count; ++i)
        ASSERT_EQ(g.remove("http://host" + std::to_string(i) + ".example/p"), err::SUCCESS);
    EXPECT_TRUE(walkUrls(g).empty());
    EXPECT_EQ(g.blocksInUse(), g.hashTables().size() * kHashTableBlocks);
    EXPECT_EQ(g.cacheUsage(), 0u);
    expectConsistent(g);
}

TEST(IndexDat, FullIndexReportsDiskFull)
{
    IndexFile f = IndexFile::createEmpty({}, 1 << 30);
    NewUrlRecord big;
    big.headerInfo.assign(kMaxBlocks / 4 * kBlockSize, 'h');
    DWORD e = err::SUCCESS;
    for (int i = 0; i < 8 && !e; ++i) {
        big.url = "http://big" + std::to_string(i) + "/";
        e = f.add(big);
    }
    EXPECT_EQ(e, err::DISK_FULL);
    expectConsistent(f);
}

TEST(IndexDat, WinesSignatureIsReadOtherFilesAreNot)
{
    IndexFile wine = IndexFile::createEmpty({}, 1 << 20, kWineSignature);
    ASSERT_EQ(wine.add(contentRecord("http://w.example/", kNoSubfolder)), err::SUCCESS);
    IndexFile g = reparsed(wine);
    EXPECT_EQ(g.signature(), "WINE URLCache Ver 0.2012001");
    EXPECT_EQ(walkUrls(g).size(), 1u);

    std::vector<std::uint8_t> old = wine.bytes();
    std::memcpy(old.data(), "Client UrlCache MMF Ver 4.7", 27);
    IndexFile out;
    EXPECT_EQ(IndexFile::parse(old, out), err::BAD_FORMAT);
    EXPECT_EQ(IndexFile::parse({}, out), err::BAD_FORMAT);
    EXPECT_EQ(IndexFile::parse(std::vector<std::uint8_t>(100, 'x'), out), err::BAD_FORMAT);
}

TEST(IndexDat, DamagedFilesGiveErrorCodes)
{
    IndexFile f = IndexFile::createEmpty({"AB12CD34"}, 1 << 20);
    ASSERT_EQ(f.add(contentRecord("http://a.example/")), err::SUCCESS);
    const std::vector<std::uint8_t> good = f.bytes();
    const std::uint32_t table = f.hashTables()[0];
    UrlRecord rec;
    ASSERT_EQ(f.find("http://a.example/", rec), err::SUCCESS);
    std::uint32_t slotAt = 0;
    for (std::uint32_t i = 0; i < kHashSlots; ++i)
        if (get32(good, table + 16 + i * 8 + 4) == rec.offset)
            slotAt = table + 16 + i * 8;
    ASSERT_NE(slotAt, 0u);

    IndexFile out;
    auto parseWith = [&](auto change) {
        std::vector<std::uint8_t> b = good;
        change(b);
        return IndexFile::parse(std::move(b), out);
    };
    EXPECT_EQ(parseWith([](auto& b) { b.resize(b.size() - 4096); }), err::FILE_CORRUPT);
    EXPECT_EQ(parseWith([](auto& b) { b.resize(0x3000); }), err::FILE_CORRUPT);
    EXPECT_EQ(parseWith([](auto& b) { set32(b, 36, 0x100000); }), err::FILE_CORRUPT);
    EXPECT_EQ(parseWith([](auto& b) { set32(b, 32, 0x7FFFFF80); }), err::FILE_CORRUPT);
    EXPECT_EQ(parseWith([](auto& b) { set32(b, 32, 0x4010); }), err::FILE_CORRUPT);
    EXPECT_EQ(parseWith([](auto& b) { set32(b, 32, 0); }), err::FILE_CORRUPT) << "no hash table";
    EXPECT_EQ(parseWith([&](auto& b) { set32(b, table + 8, table); }), err::FILE_CORRUPT) << "chain loops";
    EXPECT_EQ(parseWith([&](auto& b) { set32(b, table, 0x12345678); }), err::FILE_CORRUPT);

    auto walkWith = [&](auto change) {
        std::vector<std::uint8_t> b = good;
        change(b);
        EXPECT_EQ(IndexFile::parse(std::move(b), out), err::SUCCESS);
        DWORD end;
        walkUrls(out, &end);
        UrlRecord r;
        EXPECT_EQ(out.find("http://a.example/", r), end);
        return end;
    };
    EXPECT_EQ(walkWith([&](auto& b) { set32(b, slotAt + 4, 0x7FFFFF80); }), err::FILE_CORRUPT);
    EXPECT_EQ(walkWith([&](auto& b) { set32(b, rec.offset + 4, 0x10000); }), err::FILE_CORRUPT);
    EXPECT_EQ(walkWith([&](auto& b) { set32(b, rec.offset + 52, 0xFFFFFFF0); }), err::FILE_CORRUPT);
    EXPECT_EQ(walkWith([&](auto& b) { set32(b, rec.offset + 72, 0xFFFFFFF0); }), err::FILE_CORRUPT);
    EXPECT_EQ(walkWith([&](auto& b) { std::memset(b.data() + rec.offset + 0x68, 'x', rec.blocks * 128 - 0x68); }),
              err::FILE_CORRUPT)
        << "strings without their terminating zero";
    EXPECT_EQ(walkWith([&](auto& b) { std::memcpy(b.data() + rec.offset, "JUNK", 4); }), err::FILE_CORRUPT);
}

TEST(IndexDat, DosDateTimesConvertBothWays)
{
    std::uint16_t date, time;
    fileTimeToDos(fileTimeFromUnix(1700000000), date, time); // 2023-11-14 22:13:20 UTC
    EXPECT_EQ(date, ((2023 - 1980) << 9) | (11 << 5) | 14);
    EXPECT_EQ(time, (22 << 11) | (13 << 5) | 10);
    EXPECT_EQ(dosToFileTime(date, time), fileTimeFromUnix(1700000000));
    fileTimeToDos({}, date, time);
    EXPECT_EQ(date | time, 0);
    fileTimeToDos(fileTimeFromUnix(0), date, time);
    EXPECT_EQ(date | time, 0) << "1970 does not fit the DOS format";
    EXPECT_EQ(dosToFileTime(0, 0), FileTime{});
}

TEST(IndexDat, UrlsSharingAHashAreTellApartByTheirText)
{
    // Two URLs with the same 32-bit hash: same bucket, same slot key.
    std::unordered_map<std::uint32_t, std::string> seen;
    std::string first, second;
    for (int i = 0; second.empty(); ++i) {
        std::string url = "http://c.example/" + std::to_string(i);
        auto [it, added] = seen.emplace(urlHash(url), url);
        if (!added) {
            first = it->second;
            second = url;
        }
    }
    IndexFile f = IndexFile::createEmpty({}, 1 << 20);
    NewUrlRecord a, b;
    a.url = first;
    b.url = second;
    ASSERT_EQ(f.add(a), err::SUCCESS);
    ASSERT_EQ(f.add(b), err::SUCCESS);
    EXPECT_EQ(walkUrls(f).size(), 2u) << "adding the second must not replace the first";
    ASSERT_EQ(f.remove(second), err::SUCCESS);
    UrlRecord r;
    ASSERT_EQ(f.find(first, r), err::SUCCESS);
    EXPECT_EQ(r.url, first);
    EXPECT_EQ(f.find(second, r), err::FILE_NOT_FOUND);
}
