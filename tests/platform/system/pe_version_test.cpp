#include "platform/system/pe_version.h"

#include "sample/builder/pe_image.h"

#include <gtest/gtest.h>

using namespace kp::win;

namespace {

std::string sampleImage()
{
    kp::sample::ImageVersion v;
    v.major = 6;
    v.minor = 0;
    v.build = 2900;
    v.revision = 2180;
    v.fileVersionText = "6.00.2900.2180 (xpsp_sp2_rtm.040803-2158)";
    v.description = "Shell Doc Object and Control Library";
    v.originalFilename = "SHDOCVW.DLL";
    return kp::sample::makeVersionedDll(v);
}

void put32(std::string& s, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + std::size_t(i)] = char(v >> (8 * i) & 0xFF);
}

} // namespace

TEST(PeVersion, ReadsTheFixedVersionAndTheFileVersionText)
{
    FileVersionInfo info;
    ASSERT_EQ(readVersionResource(sampleImage(), info), err::SUCCESS);
    EXPECT_TRUE(info.hasFixed);
    EXPECT_EQ(fixedVersionText(info), "6.0.2900.2180");
    EXPECT_EQ(info.fileVersionText, "6.00.2900.2180 (xpsp_sp2_rtm.040803-2158)");
}

TEST(PeVersion, RefusesWhatIsNoImageOrHasNoVersion)
{
    FileVersionInfo info;
    EXPECT_EQ(readVersionResource("", info), err::BAD_FORMAT);
    EXPECT_EQ(readVersionResource(std::string(4096, 'M'), info), err::BAD_FORMAT);
    std::string image = sampleImage();
    std::string notPe = image;
    notPe[0x41] = 'X';
    EXPECT_EQ(readVersionResource(notPe, info), err::BAD_FORMAT);

    std::string noResource = image;
    put32(noResource, 0x58 + 96 + 16, 0); // the resource directory entry
    EXPECT_EQ(readVersionResource(noResource, info), err::RESOURCE_TYPE_NOT_FOUND);

    std::string otherType = image;
    put32(otherType, 0x200 + 16, 3); // the root directory names icons, not versions
    EXPECT_EQ(readVersionResource(otherType, info), err::RESOURCE_TYPE_NOT_FOUND);

    std::string pastEnd = image;
    put32(pastEnd, 0x200 + 76, 0x100000); // the version block's size
    EXPECT_EQ(readVersionResource(pastEnd, info), err::INVALID_DATA);
}

TEST(PeVersion, TruncatedImagesAreRefused)
{
    const std::string image = sampleImage();
    FileVersionInfo info;
    // Cut anywhere before the end of the version block (the rest is padding).
    const std::size_t used = image.find_last_not_of('\0') + 1;
    for (std::size_t length = 0; length < used; length += 7)
        EXPECT_NE(readVersionResource(std::string_view(image).substr(0, length), info), err::SUCCESS) << length;
}
