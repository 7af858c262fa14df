#include "platform/urlcache/cookie_file.h"

#include <gtest/gtest.h>

using namespace kp::win;

TEST(CookieFile, RecordsRoundTripAndMalformedTextIsRejected)
{
    std::vector<CookieRecord> cookies = {
        {"id", "a1b2", "example.com/", 1536, {0x8E6A5C00, 0x01DB1234}, {0x12345678, 0x01D9ABCD}},
        {"pref", "", "www.example.com/shop/", 0, {1, 2}, {3, 4}},
    };
    std::string text = formatCookieFile(cookies);
    EXPECT_EQ(text.substr(0, 37), "id\na1b2\nexample.com/\n1536\n2389335040\n");
    std::vector<CookieRecord> back;
    ASSERT_EQ(parseCookieFile(text, back), err::SUCCESS);
    EXPECT_EQ(back, cookies);

    std::string crlf;
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ASSERT_EQ(parseCookieFile(crlf, back), err::SUCCESS);
    EXPECT_EQ(back, cookies);

    EXPECT_EQ(parseCookieFile(text.substr(0, text.size() - 1), back), err::INVALID_DATA);
    EXPECT_EQ(parseCookieFile("a\nb\nc/\nx\n1\n2\n3\n4\n*\n", back), err::INVALID_DATA);
    EXPECT_EQ(parseCookieFile("a\nb\nc/\n0\n1\n2\n3\n4\n+\n", back), err::INVALID_DATA);
    EXPECT_EQ(back, cookies) << "a failed parse leaves the output alone";
}
