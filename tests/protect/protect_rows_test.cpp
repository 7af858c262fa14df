#include "protect/cookie_details.h"
#include "protect/document_check.h"
#include "protect/protect_rows.h"
#include "protect/protect_rows_model.h"
#include "platform/urlcache/url_cache.h"

#include <QCollator>
#include <QLocale>

#include <gtest/gtest.h>

using namespace kp;

namespace {

std::string record(const std::string& name, const std::string& value, const std::string& domain,
                   const std::string& flags = "0")
{
    return name + "\n" + value + "\n" + domain + "\n" + flags + "\n1\n2\n3\n4\n*\n";
}

ProtectRow row(std::string caption, std::string status, std::string accessed, std::string hits)
{
    return {std::move(caption), std::move(status), std::move(accessed), std::move(hits), "", ""};
}

} // namespace

TEST(CookieDetails, WholeRecordsOnlyWhateverTheBytes)
{
    const std::string binary("bin\0\xff\x01", 6);
    const std::string longLine(1 << 20, 'v');
    const std::string text = record("id", "42", "example.com/", "1024") + record(binary, longLine, "shop.example.com/x/")
                             + "short\r\nrecord\r\n";
    const std::vector<CookieDetail> details = CookieDetails(text);
    ASSERT_EQ(details.size(), 2u);
    EXPECT_EQ(details[0].domain, "example.com");
    EXPECT_EQ(details[0].secure, "Yes");
    EXPECT_EQ(details[1].name, binary);
    EXPECT_EQ(details[1].value.size(), longLine.size());
    EXPECT_EQ(details[1].domain, "shop.example.com/x");
    EXPECT_EQ(details[1].secure, "No");
    EXPECT_EQ(CookieDetails(record("a", "b", "c/", "0") + "\r\n")[0].secure, "No");
    EXPECT_TRUE(CookieDetails("").empty());
    EXPECT_TRUE(CookieDetails(std::string(3 << 20, '\n').substr(0, 8)).empty());

    EXPECT_TRUE(CookieTextMatches(text, "SHOP.EXAMPLE"));
    EXPECT_TRUE(CookieTextMatches(text, "ID"));
    EXPECT_TRUE(CookieTextMatches(text, "VVVV"));
    EXPECT_FALSE(CookieTextMatches(text, "SHORT"));
    EXPECT_FALSE(CookieTextMatches(text, "X/"));
}

TEST(ProtectFilter, EachViewSearchesItsOwnPartOfTheName)
{
    EXPECT_EQ(ListingFilter("  shop.Example "), "SHOP.EXAMPLE");
    struct Case {
        ProtectView view;
        const char* name;
        const char* filter;
        const char* localFile;
        bool extended;
        bool match;
    };
    const Case cases[] = {
        {ProtectView::Cache, "http://www.example.com/a.htm", "WWW.EX", "", false, true},
        {ProtectView::Cache, "http://www.example.com/a.htm", "HTTP", "", false, false},
        {ProtectView::Cache, "https://www.example.com/", "HTTPS", "", false, true},
        {ProtectView::Cache, "http://www.example.com/", "PIC12", "C:\\Cache\\AB\\pic12[1].gif", false, false},
        {ProtectView::Cache, "http://www.example.com/", "PIC12", "C:\\Cache\\AB\\pic12[1].gif", true, true},
        {ProtectView::Visited, "Visited: owner@http://news.example.org/", "OWNER", "", false, false},
        {ProtectView::Visited, "Visited: owner@http://news.example.org/", "NEWS", "", false, true},
        {ProtectView::Visited, "Visited: owner@http://news.example.org/", "HTTP", "", false, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NameMatchesFilter(c.view, c.name, c.filter, c.localFile, c.extended), c.match)
            << c.name << " / " << c.filter;
}

TEST(ProtectRows, KindsAndSortOrders)
{
    EXPECT_TRUE(EntryBelongsToView("cookie:me@x/", ProtectView::Cookies));
    EXPECT_TRUE(EntryBelongsToView("VISITED: me@http://x/", ProtectView::Visited));
    EXPECT_TRUE(EntryBelongsToView(":2026010120260102: me@http://x/", ProtectView::Cache));
    EXPECT_FALSE(EntryBelongsToView("Cookie:me@x/", ProtectView::Cache));

    const std::vector<ProtectRow> rows = {
        row("http://b/", " ", "11/02/2026 10:00:00", "10"),
        row("http://a/", "Protect", "12/01/2025 09:00:00", "9"),
        row("http://c/", "Protect", "      n/a", ""),
        row("http://d/", " ", "11/02/2026 09:59:59", "x"),
    };
    EXPECT_EQ(SortedRowOrder(rows, SortColumn::Address, false), (std::vector<int>{1, 0, 2, 3}));
    EXPECT_EQ(SortedRowOrder(rows, SortColumn::Status, false), (std::vector<int>{0, 3, 1, 2}));
    EXPECT_EQ(SortedRowOrder(rows, SortColumn::Access, false), (std::vector<int>{2, 1, 3, 0}));
    EXPECT_EQ(SortedRowOrder(rows, SortColumn::Hits, false), (std::vector<int>{2, 3, 1, 0}));
}

TEST(ProtectRows, CaptionRanksFollowTheLocaleWhereverBytesDisagree)
{
    const std::vector<ProtectRow> rows = {
        row("http://b/", "", "", ""),  row("http://B/", "", "", ""),  row("http://a/x", "", "", ""),
        row("http://_/", "", "", ""),  row("http://a/", "", "", ""),  row("http://b/", "", "", ""),
        row("ftp://\xe9/", "", "", ""), row("http://10/", "", "", ""), row("http://9/", "", "", ""),
    };
    const QLocale saved;
    for (const char* locale : {"C", "en_US", "de_DE"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseSensitive);
        const std::vector<int> ranks = CaptionRanks(rows);
        for (size_t a = 0; a < rows.size(); ++a)
            for (size_t b = 0; b < rows.size(); ++b) {
                const int order = collator.compare(QString::fromLatin1(rows[a].caption.c_str()),
                                                   QString::fromLatin1(rows[b].caption.c_str()));
                const std::string pair = std::string(locale) + ": " + rows[a].caption + " / " + rows[b].caption;
                EXPECT_EQ(ranks[a] < ranks[b], order < 0) << pair;
                EXPECT_EQ(ranks[a] == ranks[b], order == 0) << pair;
            }
    }
    QLocale::setDefault(saved);
}

TEST(ProtectRows, ModelKeepsRowsAndSelectionThroughSortsAndRemovals)
{
    ProtectRowsModel model;
    model.setCapacity(4);
    for (const char* caption : {"http://c/", "http://a/", "http://d/", "http://b/", "http://e/"})
        model.append(row(caption, " ", "", std::to_string(caption[7] == 'a' ? 9 : 1)));
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.captionsAmong({"http://b/", "http://e/", "http://x/"}),
              (std::unordered_set<std::string_view>{"http://b/"}));
    model.flush();
    ASSERT_EQ(model.rowCount(), 4);

    auto captions = [&] {
        std::string all;
        for (int i = 0; i < model.rowCount(); ++i)
            all += model.row(i).caption.substr(7, 1);
        return all;
    };
    const QPersistentModelIndex held = model.index(2, 0); // "http://d/"
    model.sortRows(SortColumn::Address, false);
    EXPECT_EQ(captions(), "abcd");
    EXPECT_EQ(held.row(), 3);
    model.remove(1);
    EXPECT_EQ(captions(), "acd");
    EXPECT_EQ(held.row(), 2);
    EXPECT_EQ(model.data(model.index(0, ProtectRowsModel::HitsColumn), Qt::DisplayRole).toString(),
              QStringLiteral("9"));
    model.sortRows(SortColumn::Hits, false);
    EXPECT_EQ(captions(), "cda");
    EXPECT_EQ(held.row(), 1);
    ProtectRow changed = row("ignored", "Protect", "", "0");
    model.update(1, changed);
    EXPECT_EQ(model.row(1).caption, "http://d/");
    EXPECT_EQ(model.row(1).status, "Protect");
    EXPECT_TRUE(model.append(row("http://b/", " ", "", "1")));
    model.sortRows(SortColumn::Address, false);
    EXPECT_EQ(captions(), "abcd");
}

TEST(ProtectRows, AccessedTextInTheGivenZone)
{
    // 2026-07-01 12:00:00 and 2026-01-01 12:00:00 UTC as FILETIMEs.
    const auto at = [](qint64 unix) {
        return win::FileTime::fromValue(win::QWORD(unix + win::kFileTimeUnixEpochSeconds) * 10000000ULL);
    };
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid());
    EXPECT_EQ(AccessedText(at(1782907200), berlin), "07/01/2026 14:00:00");
    EXPECT_EQ(AccessedText(at(1782907200), QTimeZone::utc()), "07/01/2026 12:00:00");
    EXPECT_EQ(AccessedText(at(1767268800), berlin), "01/01/2026 13:00:00");
    EXPECT_EQ(AccessedText(at(1767268800 + 59), berlin), "01/01/2026 13:00:59");
}

TEST(ProtectRows, EntryColumnsAtTheirWidestAreWhole)
{
    struct Case {
        const char* url;
        win::DWORD type;
        win::DWORD hitRate;
        win::QWORD accessed;
        ProtectView view;
        bool isProtected;
        bool xcode;
        const char* status;
        const char* accessedText;
        const char* hits;
        const char* typeText;
    };
    const win::QWORD noon = win::QWORD(1782907200 + win::kFileTimeUnixEpochSeconds) * 10000000ULL;
    const Case cases[] = {
        {"http://a/", 0x1, 0xFFFFFFFF, noon, ProtectView::Cache, true, false, "Protect", "07/01/2026 12:00:00", "65535", "N"},
        {"http://a/news.Cdf", 0xFFFFFFFF, 7, ~0ULL, ProtectView::Cache, true, true, "CDF", "xx/xx/xxxx bad date", "7",
         "S-FFFFFFFF"},
        {"Cookie:me@a/", 0x100001, 0, noon, ProtectView::Cookies, false, true, " ", "07/01/2026 12:00:00", "0",
         "C-00100001"},
    };
    for (const Case& c : cases) {
        std::string url = c.url;
        win::INTERNET_CACHE_ENTRY_INFOA entry{};
        entry.lpszSourceUrlName = url.data();
        entry.CacheEntryType = c.type;
        entry.dwHitRate = c.hitRate;
        entry.LastAccessTime = win::FileTime::fromValue(c.accessed);
        const ProtectRow row = RowForEntry(entry, c.view, c.isProtected, c.xcode, QTimeZone::utc());
        EXPECT_EQ(row.status, c.status) << c.url;
        EXPECT_EQ(row.accessed, c.accessedText) << c.url;
        EXPECT_EQ(row.hits, c.hits) << c.url;
        EXPECT_EQ(row.type, c.typeText) << c.url;
    }
}

TEST(ProtectRows, MessagesAndPanelHeights)
{
    EXPECT_EQ(DeleteFailureText(2), "not deleted - Error in URL");
    EXPECT_EQ(DeleteFailureText(1224), "not deleted - Locked");
    EXPECT_EQ(DeleteFailureText(87), "not deleted - Error-87");
    EXPECT_EQ(DeleteConfirmationText(3).rfind("For your request to delete the 3 selected entries,\r\n\r\n", 0), 0u);
    EXPECT_EQ(BottomPanelHeight(ProtectView::Cookies, 450, 96), 134);
    EXPECT_EQ(BottomPanelHeight(ProtectView::Cookies, 461, 96), 148);
    EXPECT_EQ(BottomPanelHeight(ProtectView::Cookies, 600, 96), 176);
    EXPECT_EQ(BottomPanelHeight(ProtectView::Cache, 600, 144), 96);
    EXPECT_EQ(AccessedText(win::FileTime::fromValue(0xFFFFFFFFFFFFFFFFULL)), "xx/xx/xxxx bad date");
}

TEST(ViewableDocuments, ProgramsScriptsAndLinksAreNotOpened)
{
    for (const char* name : {"C:\\Cache\\setup[1].exe", "a.COM", "x.bat", "x.cmd", "x.pif", "x.scr", "x.vbs",
                             "x.js", "x.hta", "x.msi", "x.lnk", "launcher.desktop", "run.sh"})
        EXPECT_FALSE(IsViewableDocument(name, "")) << name;
    EXPECT_FALSE(IsViewableDocument("C:\\Cache\\page[1].htm", "MZ\x90"));
    EXPECT_FALSE(IsViewableDocument("noext", "\x7f" "ELF"));
    EXPECT_FALSE(IsViewableDocument("data[1].txt", "#!/bin/sh"));
    for (const char* name : {"C:\\Cache\\page[1].htm", "pic.gif", "doc.pdf", "C:\\Cache.exe\\notes.txt"})
        EXPECT_TRUE(IsViewableDocument(name, "<htm")) << name;
}
