#include "platform/files/file_system.h"
#include "purge/file_delete.h"
#include "tests/support/purge_run.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace kp;
namespace err = kp::win::err;

namespace {

using Bytes = std::string;

struct ShredFixture : ::testing::Test, test::PurgeRun {
    ShredFixture() { context.machine = &temp.machine(); }
    test::TempMachine temp;
    std::vector<Bytes> passes; // the file's bytes after each pass

    void SetUp() override
    {
        temp.makeDir("d");
        run.shredState.passWritten = [this](std::string_view path, int) {
            std::string host;
            EXPECT_EQ(win::FileSystem(temp.machine()).hostPath(path, host), win::err::SUCCESS);
            passes.push_back(readHost(host));
        };
    }

    // Makes drive C: count as having `size`-byte clusters.
    void clusters(std::uint32_t size)
    {
        run.shredState.cachedDrive = 'C';
        run.shredState.clusterSize = size;
    }

    static Bytes readHost(const std::string& host)
    {
        FILE* f = std::fopen(host.c_str(), "rb");
        Bytes out;
        if (!f)
            return out;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            out.append(buffer, n);
        std::fclose(f);
        return out;
    }

    bool periodic(const Bytes& bytes, std::size_t period)
    {
        for (std::size_t i = period; i < bytes.size(); ++i)
            if (bytes[i] != bytes[i - period])
                return false;
        return true;
    }
};

bool below255(const Bytes& bytes)
{
    for (unsigned char c : bytes)
        if (c == 255)
            return false;
    return true;
}

bool complements(const Bytes& a, const Bytes& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (static_cast<unsigned char>(a[i]) != static_cast<unsigned char>(~b[i]))
            return false;
    return true;
}

} // namespace

TEST_F(ShredFixture, QuickShredZeroesTheWholeClustersThenTheFileGoesUnderTheTargetName)
{
    clusters(4096);
    temp.writeFile("d/secret.txt", std::string(5000, 'S'));
    ASSERT_TRUE(ShredFile(context, "C:\\d\\secret.txt", 0));
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_EQ(passes[0], Bytes(8192, '\0'));
    EXPECT_FALSE(temp.exists("d/secret.txt"));
    EXPECT_FALSE(temp.exists("d/_Klenzor.zap"));
    EXPECT_EQ(run.LastErrorCode, 0u);
}

TEST_F(ShredFixture, ThoroughPassesWriteANotAAndCAndRenewTheBlocksOnlyBeforeALongRun)
{
    clusters(4096);
    temp.writeFile("d/three.txt", std::string(5000, 'S'));
    ASSERT_TRUE(ShredFile(context, "C:\\d\\three.txt", 3));
    ASSERT_EQ(passes.size(), 3u);
    for (const Bytes& pass : passes) {
        EXPECT_EQ(pass.size(), 8192u);
        EXPECT_TRUE(periodic(pass, 4096));
    }
    EXPECT_TRUE(below255(passes[0]));
    EXPECT_TRUE(complements(passes[0], passes[1]));
    EXPECT_TRUE(below255(passes[2]));
    EXPECT_NE(passes[2], passes[0]);
    EXPECT_NE(passes[0].find_first_not_of(passes[0][0]), Bytes::npos) << "block A is not varied";

    passes.clear();
    temp.writeFile("d/seven.txt", std::string(100, 'S'));
    ASSERT_TRUE(ShredFile(context, "C:\\d\\seven.txt", 7));
    ASSERT_EQ(passes.size(), 7u);
    EXPECT_NE(passes[3], passes[0]);
    EXPECT_TRUE(complements(passes[3], passes[4]));
    EXPECT_EQ(passes[6], passes[3]) << "no new blocks for a single last pass";
}

TEST_F(ShredFixture, EveryPassCoversTheWholeLengthWhateverTheZeroBlockWasMadeFor)
{
    clusters(4096);
    temp.writeFile("d/first.txt", "x");
    ASSERT_TRUE(ShredFile(context, "C:\\d\\first.txt", 0));
    clusters(512);
    temp.writeFile("d/second.txt", std::string(700, 'S'));
    ASSERT_TRUE(ShredFile(context, "C:\\d\\second.txt", 0));
    ASSERT_EQ(passes.size(), 2u);
    EXPECT_EQ(passes[1], Bytes(1024, '\0'));

    passes.clear();
    clusters(300); // 512-byte blocks over 1200 bytes: a final partial block
    temp.writeFile("d/third.txt", std::string(1000, 'S'));
    ASSERT_TRUE(ShredFile(context, "C:\\d\\third.txt", 1));
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_EQ(passes[0].size(), 1200u);
    EXPECT_TRUE(periodic(passes[0], 512));
    EXPECT_TRUE(below255(passes[0]));
}

TEST_F(ShredFixture, LeftoverTargetReadOnlyFileAndAFileNamedLikeTheTarget)
{
    clusters(4096);
    temp.writeFile("d/_KLENZOR.ZAP", "left from an interrupted shred");
    temp.writeFile("d/locked.txt", "read-only data");
    win::FileSystem files(temp.machine());
    ASSERT_EQ(files.setAttributes("C:\\d\\locked.txt", win::attr::READONLY), err::SUCCESS);
    ASSERT_TRUE(ShredFile(context, "C:\\d\\locked.txt", 2));
    EXPECT_FALSE(temp.exists("d/locked.txt"));
    EXPECT_FALSE(temp.exists("d/_KLENZOR.ZAP"));
    EXPECT_FALSE(temp.exists("d/_Klenzor.zap"));

    temp.writeFile("d/_Klenzor.zap", "itself");
    EXPECT_TRUE(ShredFile(context, "C:\\d\\_Klenzor.zap", 0));
    EXPECT_FALSE(temp.exists("d/_Klenzor.zap"));
}

TEST_F(ShredFixture, ALinkIsRemovedAsALinkAndWhatItLeadsToIsUntouched)
{
    temp.writeFile("outside/keep.doc", "important");
    ASSERT_EQ(::symlink(temp.hostPath("outside/keep.doc").c_str(), temp.hostPath("d/link.doc").c_str()), 0);
    EXPECT_TRUE(ShredFile(context, "C:\\d\\link.doc", 3));
    EXPECT_TRUE(passes.empty());
    EXPECT_EQ(temp.readFile("outside/keep.doc"), "important");
    EXPECT_FALSE(temp.exists("d/link.doc"));
    EXPECT_FALSE(temp.exists("d/_Klenzor.zap"));
}

TEST_F(ShredFixture, CancelSkipsTheRemainingPassesButStillRemovesTheFile)
{
    clusters(4096);
    temp.writeFile("d/long.txt", "data");
    run.shredState.passWritten = [this](std::string_view, int) {
        passes.emplace_back();
        run.CancelFlag = true;
    };
    EXPECT_TRUE(ShredFile(context, "C:\\d\\long.txt", 5));
    EXPECT_EQ(passes.size(), 1u);
    ASSERT_EQ(report.lineCount(), 1);
    EXPECT_EQ(report.line(0), QStringLiteral("*** Cancelled by operator."));
    EXPECT_FALSE(temp.exists("d/long.txt"));
}

TEST_F(ShredFixture, AFileInUseIsLeftWholeAndReportedWithItsErrorCode)
{
    clusters(4096);
    temp.writeFile("d/open.txt", "in use");
    win::FileSystem files(temp.machine());
    win::File holder;
    ASSERT_EQ(files.createFile("C:\\d\\open.txt", win::access::GENERIC_READ, 0, win::Disposition::OpenExisting,
                               win::attr::NORMAL, holder),
              err::SUCCESS);
    EXPECT_FALSE(ShredFile(context, "C:\\d\\open.txt", 0));
    EXPECT_EQ(run.LastErrorCode, err::SHARING_VIOLATION);
    EXPECT_EQ(temp.readFile("d/open.txt"), "in use");
    EXPECT_FALSE(temp.exists("d/_Klenzor.zap"));
}

TEST_F(ShredFixture, PlainDeleteFallsBackToTheShortNameOnlyWhenOneIsGiven)
{
    temp.writeFile("d/Long File Name.txt", "x");
    win::FindData info;
    ASSERT_EQ(win::FileSystem(temp.machine()).getFileInfo("C:\\d\\Long File Name.txt", info), err::SUCCESS);
    ASSERT_FALSE(info.alternateFileName.empty());

    EXPECT_FALSE(PlainDelete(context, "C:\\d\\Renamed Since.txt", ""));
    EXPECT_EQ(run.LastErrorCode, err::FILE_NOT_FOUND);
    EXPECT_FALSE(PlainDelete(context, "C:\\d\\Renamed Since.txt", " " + info.alternateFileName));
    EXPECT_EQ(run.LastErrorCode, err::FILE_NOT_FOUND);
    EXPECT_TRUE(temp.exists("d/Long File Name.txt"));

    EXPECT_TRUE(PlainDelete(context, "C:\\d\\Renamed Since.txt", info.alternateFileName));
    EXPECT_EQ(run.LastErrorCode, 0u);
    EXPECT_FALSE(temp.exists("d/Long File Name.txt"));
}

TEST_F(ShredFixture, DeleteWithOptionsFollowsTheRunsShredChoiceAndRestoresTheCurrentDirectory)
{
    clusters(4096);
    win::FileSystem files(temp.machine());
    ASSERT_EQ(files.setCurrentDirectory("C:\\"), err::SUCCESS);
    temp.writeFile("d/plain.txt", "p");
    ASSERT_EQ(files.setAttributes("C:\\d\\plain.txt", win::attr::READONLY), err::SUCCESS);
    EXPECT_TRUE(DeleteFileWithOptions(context, "C:\\d\\plain.txt", ""));
    EXPECT_TRUE(passes.empty());
    EXPECT_FALSE(temp.exists("d/plain.txt"));

    run.shred = true;
    general.Thoroughness = "1";
    general.Repeats = 2;
    temp.writeFile("d/thorough.txt", "t");
    EXPECT_TRUE(DeleteFileWithOptions(context, "C:\\d\\thorough.txt", ""));
    EXPECT_EQ(passes.size(), 2u);

    passes.clear();
    general.Thoroughness = "0";
    temp.writeFile("d/quick.txt", "q");
    EXPECT_TRUE(DeleteFileWithOptions(context, "C:\\d\\quick.txt", ""));
    EXPECT_EQ(passes.size(), 1u);
    EXPECT_EQ(files.currentDirectory(), "C:\\");
    EXPECT_FALSE(temp.exists("d/quick.txt"));
}

TEST_F(ShredFixture, ClusterSizeIsAskedOncePerDriveAndNeverForPathsWithoutOne)
{
    EXPECT_TRUE(ClusterSizeForFile(context, "C:\\d\\a.txt"));
    EXPECT_EQ(run.shredState.cachedDrive, 'C');
    const std::uint32_t size = run.shredState.clusterSize;
    ASSERT_GE(size, 512u);
    EXPECT_EQ(RoundUpToCluster(run.shredState, 1), size);
    EXPECT_EQ(RoundUpToCluster(run.shredState, size), size);
    EXPECT_EQ(RoundUpToCluster(run.shredState, 0), 0u);

    EXPECT_FALSE(ClusterSizeForFile(context, "\\\\server\\share\\a.txt"));
    EXPECT_EQ(RoundUpToCluster(ShredState{}, 5000), 5000u);

    EXPECT_FALSE(ClusterSizeForFile(context, "Q:\\a.txt"));
    EXPECT_EQ(run.shredState.cachedDrive, 0) << "a failed query leaves no drive cached";
}
