#include "protect/cookie_details.h"
#include "protect/document_check.h"
#include "protect/protect_rows.h"

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
