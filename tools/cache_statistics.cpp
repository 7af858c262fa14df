#include "tools/cache_statistics.h"

#include "platform/files/file_system.h"
#include "platform/files/volume.h"
#include "platform/files/win_path.h"
#include "platform/urlcache/url_cache.h"
#include "purge/cache_cursor.h"
#include "purge/file_delete.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "settings/folder_discovery.h"
#include "settings/folder_set.h"

#include <array>
#include <cctype>
#include <vector>

namespace kp {

namespace {

QString numberField(std::uint64_t value, int width, const QLocale& locale)
{
    return locale.toString(qulonglong(value)).rightJustified(width, QLatin1Char(' '));
}

QString rightAligned(const std::string& text, int width)
{
    return QString::fromStdString(text).rightJustified(width, QLatin1Char(' '));
}

// The drive letter of a Windows path, upper-cased; 0 when it has none.
char driveLetterOf(const std::string& path)
{
    if (path.empty())
        return 0;
    const char letter = char(std::toupper(static_cast<unsigned char>(path[0])));
    return letter >= 'A' && letter <= 'Z' ? letter : 0;
}

class Statistics {
public:
    Statistics(PurgeContext& context, const QLocale& locale)
        : context_(context)
        , machine_(*context.machine)
        , folders_(context.folders)
        , locale_(locale)
    {
    }

    void show(win::UrlCache& cache)
    {
        write(QStringLiteral("Statistics:"));
        write(QStringLiteral(" "));
        if (folders_.cacheFound)
            cacheCluster_ = enterDrive(folders_.cacheFolder);
        if (folders_.cookiesFound)
            cookiesCluster_ = enterDrive(folders_.cookiesFolder);
        if (folders_.userDataFound)
            userDataCluster_ = enterDrive(folders_.userDataFolder);

        sumCache(cache);
        if (folders_.cacheFound) {
            const std::uint64_t usedK = usedKilobytes(online_.usedBytes) + usedKilobytes(offline_.usedBytes);
            const std::uint64_t allocatedK =
                allocatedKilobytes(online_.allocatedBytes) + allocatedKilobytes(offline_.allocatedBytes);
            writeCategory(QStringLiteral("      Online Cache: "), online_);
            writeCategory(QStringLiteral("     Offline Cache: "), offline_);
            write(StatisticsCategoryLine(QStringLiteral("       Total Cache: "), online_.count + offline_.count, usedK,
                                         allocatedK, locale_));
        }
        if (folders_.cookiesFound)
            writeCategory(QStringLiteral("           Cookies: "), cookies_);
        for (const TempEntry& temp : folders_.displayTemp) {
            DriveFigures drive;
            if (temp.path.empty() || !QueryDriveFigures(machine_, temp.path[0], drive))
                continue;
            StatisticsSums sums;
            sumFolder(temp.path, drive.clusterSize, sums);
            writeCategory(rightAligned(temp.label, 18) + QStringLiteral(": "), sums);
        }
        if (folders_.userDataFound) {
            StatisticsSums sums;
            sumFolder(folders_.userDataFolder, userDataCluster_, sums);
            writeCategory(QStringLiteral("          UserData: "), sums);
        }

        write(QStringLiteral(" "));
        write(QStringLiteral("      Cache Folder:  ") + pathOrBlank(folders_.cacheFound, folders_.cacheFolder));
        write(QStringLiteral("    Cookies Folder:  ") + pathOrBlank(folders_.cookiesFound, folders_.cookiesFolder));
        for (const TempEntry& temp : folders_.displayTemp)
            write(rightAligned(temp.label, 18) + QStringLiteral(":  ") + QString::fromStdString(temp.path));
        if (folders_.userDataFound)
            write(QStringLiteral("   UserData Folder:  ") + QString::fromStdString(folders_.userDataFolder));
        write(QStringLiteral(" "));

        for (int i = 0; i < 26; ++i) {
            DriveFigures drive;
            if (drives_[std::size_t(i)] && QueryDriveFigures(machine_, char('A' + i), drive))
                write(StatisticsDriveLine(drive, locale_));
        }
    }

private:
    void write(const QString& line) { context_.report.AddReportLine(line); }

    void writeCategory(const QString& label, const StatisticsSums& sums)
    {
        write(StatisticsCategoryLine(label, sums.count, usedKilobytes(sums.usedBytes),
                                     allocatedKilobytes(sums.allocatedBytes), locale_));
    }

    static QString pathOrBlank(bool found, const std::string& path)
    {
        return found && !path.empty() ? QString::fromStdString(path) : QStringLiteral(" ");
    }

    // Enters the folder's drive in the drive table; its cluster size, 0 when
    // the drive cannot be read.
    std::uint32_t enterDrive(const std::string& folder)
    {
        const char letter = driveLetterOf(folder);
        if (letter == 0)
            return 0;
        drives_[std::size_t(letter - 'A')] = true;
        DriveFigures drive;
        return QueryDriveFigures(machine_, letter, drive) ? drive.clusterSize : 0;
    }

    void sumCache(win::UrlCache& cache)
    {
        bool walkFailed = false;
        CacheCursor cursor(cache, context_.messages, context_.errors, walkFailed);
        for (bool ready = cursor.CacheWalkFirst(); ready; ready = cursor.CacheWalkNext()) {
            if (!cursor.CacheEntryReadable())
                continue;
            const win::INTERNET_CACHE_ENTRY_INFOA& entry = cursor.entry();
            const std::string_view url = entry.lpszSourceUrlName;
            if (win::startsWithNoCase(url, "VISITED:") || entry.dwSizeLow == 0)
                continue;
            if (entry.CacheEntryType & win::STICKY_CACHE_ENTRY)
                offline_.add(entry.dwSizeLow, cacheCluster_);
            else if (win::startsWithNoCase(url, "COOKIE:"))
                cookies_.add(entry.dwSizeLow, cookiesCluster_);
            else
                online_.add(entry.dwSizeLow, cacheCluster_);
        }
        if (cursor.WalkError())
            write(QStringLiteral("*** Error Accessing Cache ***"));
        cursor.CacheWalkClose();
    }

    // Every file below `folder` but index files; links and folders whose
    // names begin with "." are not entered.
    void sumFolder(const std::string& folder, std::uint32_t clusterSize, StatisticsSums& sums)
    {
        win::FileSystem files(machine_);
        std::vector<std::string> pending{folder};
        while (!pending.empty()) {
            const std::string current = std::move(pending.back());
            pending.pop_back();
            win::FindData data;
            win::FindHandle handle;
            if (files.findFirst(current + "\\*.*", data, handle) != win::err::SUCCESS)
                continue;
            do {
                if (data.attributes & win::attr::DIRECTORY) {
                    if (!data.fileName.starts_with('.') && !(data.attributes & win::attr::REPARSE_POINT))
                        pending.push_back(current + "\\" + data.fileName);
                } else if (!win::equalNoCase(data.fileName, "INDEX.DAT")) {
                    sums.add(data.size, clusterSize);
                }
            } while (files.findNext(handle, data) == win::err::SUCCESS);
            files.findClose(handle);
        }
    }

    PurgeContext& context_;
    win::Machine& machine_;
    const FolderSet& folders_;
    const QLocale& locale_;
    std::array<bool, 26> drives_{};
    std::uint32_t cacheCluster_ = 0;
    std::uint32_t cookiesCluster_ = 0;
    std::uint32_t userDataCluster_ = 0;
    StatisticsSums online_, offline_, cookies_;
};

} // namespace

void StatisticsSums::add(std::uint64_t size, std::uint32_t clusterSize)
{
    ++count;
    usedBytes += size;
    allocatedBytes += clusterSize < 1 ? size : (size + clusterSize - 1) / clusterSize * clusterSize;
}

std::uint64_t usedKilobytes(std::uint64_t bytes) { return bytes / 1024 + (bytes % 1024 != 0); }

std::uint64_t allocatedKilobytes(std::uint64_t bytes)
{
    const std::uint64_t whole = bytes / 1024;
    const std::uint64_t rest = bytes % 1024;
    if (rest > 512 || (rest == 512 && whole % 2 == 1))
        return whole + 1;
    return whole;
}

QString StatisticsCategoryLine(const QString& label, long long count, std::uint64_t usedK, std::uint64_t allocatedK,
                               const QLocale& locale)
{
    return label + numberField(std::uint64_t(count), 6, locale) + QStringLiteral(" files -  ")
        + numberField(usedK, 7, locale) + QStringLiteral("K used of ") + numberField(allocatedK, 7, locale)
        + QStringLiteral("K allocated");
}

bool QueryDriveFigures(win::Machine& machine, char letter, DriveFigures& out)
{
    out = {};
    letter = char(std::toupper(static_cast<unsigned char>(letter)));
    DiskSpaceFigures space;
    if (!GetDiskSpace(machine, letter, space))
        return false;
    win::VolumeInfo volume;
    if (win::Volume(machine).volumeInformation(std::string(1, letter) + ":\\", volume) != win::err::SUCCESS)
        return false;
    out.letter = letter;
    out.usedK = (space.totalSize - std::min(space.freeSize, space.totalSize)) / 2;
    out.totalK = space.totalSize / 2;
    out.fileSystem = win::upperAscii(volume.fileSystemName);
    out.clusterSize = win::startsWithNoCase(out.fileSystem, "FAT32") ? Fat32ClusterSize(out.totalK)
                                                                      : space.sectorsPerCluster * space.bytesPerSector;
    return true;
}

QString StatisticsDriveLine(const DriveFigures& drive, const QLocale& locale)
{
    // An empty drive reads as 0% rather than dividing by zero.
    const double percent = drive.totalK > 0 ? 100.0 * double(drive.usedK) / double(drive.totalK) : 0.0;
    return QStringLiteral("Drive \"") + QChar::fromLatin1(drive.letter) + QStringLiteral("\" - ")
        + numberField(drive.usedK, 10, locale) + QStringLiteral("K of ") + numberField(drive.totalK, 10, locale)
        + QStringLiteral("K Allocated (") + locale.toString(percent, 'f', 2).rightJustified(5, QLatin1Char(' '))
        + QStringLiteral("%) - ") + numberField(drive.clusterSize, 6, locale) + QStringLiteral(" / Cluster - ")
        + QString::fromStdString(drive.fileSystem);
}

void ShowStatistics(PurgeContext& context, win::UrlCache& cache, const QLocale& locale)
{
    if (!context.machine)
        return;
    Statistics(context, locale).show(cache);
}

} // namespace kp
