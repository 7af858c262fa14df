#include "purge/file_delete.h"

#include "platform/files/file_system.h"
#include "platform/files/win_path.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/run_state.h"

#include <QCoreApplication>

#include <chrono>

namespace kp {

namespace {

constexpr std::string_view kTargetName = "_Klenzor.zap";
constexpr std::uint32_t kSectorSize = 512;
constexpr win::DWORD kNoLink = win::attr::NORMAL | win::fileflag::OPEN_REPARSE_POINT;

// Blocks A, not-A and C of a Thorough Shred.
struct RandomBlocks {
    std::vector<unsigned char> a, b, c;

    void make(std::size_t length)
    {
        std::uint64_t state = std::uint64_t(std::chrono::high_resolution_clock::now().time_since_epoch().count());
        auto next = [&state] {
            std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
            return z ^ (z >> 31);
        };
        // A byte in 0..254 from 8 random bits.
        auto below255 = [](std::uint64_t bits) { return static_cast<unsigned char>(((bits & 0xFF) * 255) >> 8); };
        a.resize(length);
        b.resize(length);
        c.resize(length);
        for (std::size_t i = 0; i < length; i += 4) {
            const std::uint64_t r = next();
            for (std::size_t k = 0; k < 4 && i + k < length; ++k) {
                a[i + k] = below255(r >> (16 * k));
                b[i + k] = static_cast<unsigned char>(~a[i + k]);
                c[i + k] = below255(r >> (16 * k + 8));
            }
        }
    }
};

win::DWORD clearReadOnly(win::FileSystem& files, std::string_view path)
{
    win::DWORD attributes = 0;
    if (win::DWORD e = files.getAttributes(path, attributes))
        return e;
    if (attributes & win::attr::READONLY)
        return files.setAttributes(path, attributes & ~win::attr::READONLY);
    return win::err::SUCCESS;
}

// Writes `length` bytes from the start of the file, repeating `block`; the
// last write covers what is left when it is shorter than the block.
win::DWORD writePattern(win::File& file, const std::vector<unsigned char>& block, std::uint64_t length)
{
    if (block.empty())
        return win::err::INVALID_PARAMETER;
    if (win::DWORD e = file.seek(0, win::seek::BEGIN))
        return e;
    for (std::uint64_t written = 0; written < length;) {
        const auto part = win::DWORD(std::min<std::uint64_t>(block.size(), length - written));
        win::DWORD done = 0;
        if (win::DWORD e = file.write(block.data(), part, done))
            return e;
        written += done;
    }
    return file.flush();
}

class Shredder {
public:
    Shredder(PurgeContext& context, win::FileSystem& files)
        : context_(context)
        , state_(context.run.shredState)
        , files_(files)
    {
    }

    bool shred(std::string_view path, int passes);

private:
    bool overwritePasses(std::string_view path, int passes);
    bool fail(win::DWORD error)
    {
        context_.run.LastErrorCode = error;
        return false;
    }

    PurgeContext& context_;
    ShredState& state_;
    win::FileSystem& files_;
    RandomBlocks blocks_;
};

bool Shredder::shred(std::string_view path, int passes)
{
    win::FindData info;
    if (win::DWORD e = files_.getFileInfo(path, info))
        return fail(e);
    if (info.attributes & win::attr::REPARSE_POINT) {
        // The link goes; what it leads to is not this file's to overwrite.
        if (win::DWORD e = files_.deleteFile(path))
            return fail(e);
        return true;
    }
    if (info.attributes & win::attr::DIRECTORY)
        return fail(win::err::ACCESS_DENIED);

    const std::string_view folder = win::folderOf(path);
    const std::string target = folder.empty() ? std::string(kTargetName)
                                              : std::string(folder) + "\\" + std::string(kTargetName);
    std::uint32_t blockLength = kSectorSize;
    if (ClusterSizeForFile(context_, path) && state_.clusterSize > kSectorSize)
        blockLength = state_.clusterSize;

    if (passes < 1) {
        if (state_.zeroBlock.empty())
            state_.zeroBlock.assign(blockLength, 0);
    } else {
        blocks_.make(blockLength);
    }
    if (!overwritePasses(path, passes))
        return false;

    {
        win::File file;
        if (win::DWORD e = files_.createFile(path, win::access::GENERIC_WRITE, 0, win::Disposition::TruncateExisting,
                                             kNoLink, file))
            return fail(e);
    }
    QCoreApplication::processEvents();

    if (win::equalNoCase(win::nameOf(path), kTargetName)) {
        if (win::DWORD e = files_.deleteFile(path))
            return fail(e);
    } else {
        // A target that cannot go makes the move below fail, which is reported.
        if (files_.exists(target)) {
            clearReadOnly(files_, target);
            static_cast<void>(files_.deleteFile(target));
        }
        if (win::DWORD e = files_.moveFile(path, target))
            return fail(e);
        if (win::DWORD e = files_.deleteFile(target))
            return fail(e);
    }
    QCoreApplication::processEvents();
    return true;
}

bool Shredder::overwritePasses(std::string_view path, int passes)
{
    if (passes < 0)
        passes = 1;
    int pattern = passes >= 1 ? 1 : 0;
    clearReadOnly(files_, path);

    std::uint64_t length = 0;
    {
        win::File file;
        if (win::DWORD e = files_.createFile(path, 0, 0, win::Disposition::OpenExisting, kNoLink, file))
            return fail(e);
        win::QWORD size = 0;
        if (win::DWORD e = file.size(size))
            return fail(e);
        // Without a known cluster size the sectors the file occupies are
        // still overwritten.
        length = ClusterSizeForFile(context_, path)
            ? RoundUpToCluster(state_, size)
            : (size + kSectorSize - 1) / kSectorSize * kSectorSize;
    }

    const int count = passes >= 1 ? passes : 1;
    for (int pass = 1; pass <= count; ++pass) {
        if (context_.run.CancelFlag) {
            context_.report.AddReportLineQuiet(QStringLiteral("*** Cancelled by operator."));
            QCoreApplication::processEvents();
            return true;
        }
        win::File file;
        if (win::DWORD e = files_.createFile(path, win::access::GENERIC_READ | win::access::GENERIC_WRITE, 0,
                                             win::Disposition::OpenExisting, kNoLink, file))
            return fail(e);
        const std::vector<unsigned char>& block = pattern == 0 ? state_.zeroBlock
            : pattern == 1                                     ? blocks_.a
            : pattern == 2                                     ? blocks_.b
                                                               : blocks_.c;
        if (win::DWORD e = writePattern(file, block, length))
            return fail(e);
        file.close();
        if (state_.passWritten)
            state_.passWritten(path, pass);

        if (pattern == 1)
            pattern = 2;
        else if (pattern == 2)
            pattern = 3;
        else if (pattern == 3) {
            if (count - pass >= 2)
                blocks_.make(blocks_.a.size());
            pattern = 1;
        }
    }
    QCoreApplication::processEvents();
    return true;
}

} // namespace

bool ShredFile(PurgeContext& context, std::string_view path, int passes)
{
    if (!context.machine) {
        context.run.LastErrorCode = win::err::INVALID_FUNCTION;
        return false;
    }
    win::FileSystem files(*context.machine);
    return Shredder(context, files).shred(path, passes);
}

} // namespace kp
