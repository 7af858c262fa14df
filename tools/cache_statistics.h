#pragma once
// The statistics display: how many online cache, offline cache and cookie
// entries the URL cache holds and the space they use and occupy, the same
// for the temp folders and the UserData folder, where those folders are, and
// how full each drive involved is. Nothing is changed.

#include <QLocale>
#include <QString>

#include <cstdint>
#include <string>

namespace kp {

namespace win {
class Machine;
class UrlCache;
} // namespace win
struct PurgeContext;

// A category's sums: files, their sizes, and their sizes rounded up to the
// cluster size of their drive.
struct StatisticsSums {
    long long count = 0;
    std::uint64_t usedBytes = 0;
    std::uint64_t allocatedBytes = 0;

    // No rounding for a cluster size of 0 (drive unknown).
    void add(std::uint64_t size, std::uint32_t clusterSize);
};

// Rounded up to whole kilobytes.
std::uint64_t usedKilobytes(std::uint64_t bytes);
// Rounded to the nearest kilobyte, an exact half to the even number.
std::uint64_t allocatedKilobytes(std::uint64_t bytes);

// "<label><count> files -  <used>K used of <allocated>K allocated", the
// numbers with the locale's thousands separator.
QString StatisticsCategoryLine(const QString& label, long long count, std::uint64_t usedK, std::uint64_t allocatedK,
                               const QLocale& locale);

// What the statistics show of a drive.
struct DriveFigures {
    char letter = 0;
    std::uint64_t usedK = 0;
    std::uint64_t totalK = 0;
    std::uint32_t clusterSize = 0; // FAT32 by its size table
    std::string fileSystem;        // upper-cased
};

// False when the drive's space or volume cannot be read.
bool QueryDriveFigures(win::Machine& machine, char letter, DriveFigures& out);

// "Drive "C" - <used>K of <total>K Allocated (<percent>%) - <cluster> / Cluster - <file system>".
QString StatisticsDriveLine(const DriveFigures& drive, const QLocale& locale);

// Writes the statistics to the report: the category lines, the folder lines
// and the drive lines.
void ShowStatistics(PurgeContext& context, win::UrlCache& cache, const QLocale& locale = QLocale());

} // namespace kp
