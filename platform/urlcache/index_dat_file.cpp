#include "platform/urlcache/index_dat_file.h"

#include "platform/host/host_io.h"
#include "platform/host/win_error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

namespace kp::win {

namespace {

// The index file is never opened through a symbolic link; finding one there
// is ACCESS_DENIED.
DWORD fromErrno(int e)
{
    return errorFromErrno(e, {{ELOOP, err::ACCESS_DENIED}});
}

// Opens the index file for writing, or for reading only where writing is
// refused.
DWORD openIndexFile(const std::string& hostPath, UniqueFd& fd, bool& writable)
{
    fd.reset(::open(hostPath.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    writable = fd.valid();
    if (!fd && (errno == EACCES || errno == EROFS))
        fd.reset(::open(hostPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    return fd ? err::SUCCESS : fromErrno(errno);
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_ino == b.st_ino && a.st_dev == b.st_dev && a.st_size == b.st_size
        && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec
        && a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

bool readExactlyAt(int fd, off_t at, std::uint8_t* data, std::size_t size)
{
    std::size_t done = 0;
    return readAllAt(fd, at, data, size, done) == 0 && done == size;
}

class FileLock {
public:
    FileLock(int fd, int mode) : fd_(fd) { retryInterrupted([&] { return ::flock(fd_, mode); }); }
    ~FileLock() { ::flock(fd_, LOCK_UN); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_;
};

} // namespace

IndexDatFile::~IndexDatFile()
{
    close();
}

void IndexDatFile::close()
{
    if (map_)
        ::munmap(map_, mapSize_);
    map_ = nullptr;
    mapSize_ = 0;
    fd_.reset();
    loaded_ = false;
}

DWORD IndexDatFile::open(const std::string& hostPath)
{
    close();
    path_ = hostPath;
    if (DWORD e = openIndexFile(path_, fd_, writable_))
        return e;
    struct stat st {};
    if (::fstat(fd_.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        close();
        return err::ACCESS_DENIED;
    }
    FileLock lock(fd_.get(), LOCK_SH);
    return load();
}

DWORD IndexDatFile::load()
{
    loaded_ = false;
    struct stat st {};
    if (::fstat(fd_.get(), &st) != 0)
        return fromErrno(errno);
    if (st.st_size > off_t(indexdat::kFirstBlock + QWORD(indexdat::kMaxBlocks) * indexdat::kBlockSize) * 2)
        return err::FILE_CORRUPT;
    std::vector<std::uint8_t> bytes(std::size_t(st.st_size));
    if (!readExactlyAt(fd_.get(), 0, bytes.data(), bytes.size()))
        return err::READ_FAULT;
    IndexFile parsed;
    if (DWORD e = IndexFile::parse(std::move(bytes), parsed))
        return e;
    index_ = std::move(parsed);
    loadedStat_ = st;
    loaded_ = true;
    return err::SUCCESS;
}

DWORD IndexDatFile::reopenIfGone()
{
    // A file deleted or replaced by a rename keeps no name: open the path anew.
    struct stat st {};
    if (fd_ && ::fstat(fd_.get(), &st) == 0 && st.st_nlink > 0)
        return err::SUCCESS;
    close();
    return openIndexFile(path_, fd_, writable_);
}

bool IndexDatFile::unchangedSince(bool compareHeader)
{
    struct stat st {};
    if (!loaded_ || ::fstat(fd_.get(), &st) != 0 || !sameFile(st, loadedStat_))
        return false;
    if (!compareHeader)
        return true;
    // File times may be too coarse to show a change made just after ours;
    // any other writer's allocation or release shows in the header's counts.
    std::vector<std::uint8_t> header(indexdat::kBitmapOffset);
    return readExactlyAt(fd_.get(), 0, header.data(), header.size())
        && std::memcmp(header.data(), index_.bytes().data(), header.size()) == 0;
}

DWORD IndexDatFile::refresh()
{
    struct stat st {};
    if (loaded_ && fd_ && ::fstat(fd_.get(), &st) == 0 && st.st_nlink > 0 && sameFile(st, loadedStat_))
        return err::SUCCESS;
    if (DWORD e = reopenIfGone())
        return e;
    FileLock lock(fd_.get(), LOCK_SH);
    return load();
}

DWORD IndexDatFile::checkWritable()
{
    if (DWORD e = reopenIfGone())
        return e;
    struct stat st {};
    if (!writable_ || ::fstat(fd_.get(), &st) != 0 || !(st.st_mode & S_IWUSR))
        return err::ACCESS_DENIED;
    return err::SUCCESS;
}

DWORD IndexDatFile::edit(const std::function<DWORD(IndexFile&)>& change)
{
    if (DWORD e = checkWritable())
        return e;
    FileLock lock(fd_.get(), LOCK_EX);
    if (!unchangedSince(true))
        if (DWORD e = load())
            return e;
    index_.takeChangedRanges();
    if (DWORD e = change(index_)) {
        loaded_ = false;
        return e;
    }
    const bool grew = index_.grew();
    const auto ranges = index_.takeChangedRanges();
    if (grew && ::ftruncate(fd_.get(), off_t(index_.bytes().size())) != 0) {
        loaded_ = false;
        return fromErrno(errno);
    }
    if (DWORD e = mapForWriting()) {
        loaded_ = false;
        return e;
    }
    for (auto [at, size] : ranges)
        std::memcpy(static_cast<std::uint8_t*>(map_) + at, index_.bytes().data() + at, size);
    // Stores through a mapping leave the file times alone once a page is dirty.
    if (!ranges.empty())
        ::futimens(fd_.get(), nullptr);
    if (::fstat(fd_.get(), &loadedStat_) != 0)
        loaded_ = false;
    return err::SUCCESS;
}

DWORD IndexDatFile::mapForWriting()
{
    const std::size_t size = index_.bytes().size();
    if (map_ && mapSize_ == size)
        return err::SUCCESS;
    if (map_)
        ::munmap(map_, mapSize_);
    map_ = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd_.get(), 0);
    if (map_ == MAP_FAILED) {
        map_ = nullptr;
        mapSize_ = 0;
        return errno == ENOMEM ? err::NOT_ENOUGH_MEMORY : err::WRITE_FAULT;
    }
    mapSize_ = size;
    return err::SUCCESS;
}

DWORD IndexDatFile::create(const std::string& hostPath, const IndexFile& index)
{
    struct stat st {};
    if (::lstat(hostPath.c_str(), &st) == 0)
        return err::FILE_EXISTS;
    std::string temp = hostPath + ".kp-new-" + std::to_string(::getpid());
    UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd)
        return fromErrno(errno);
    const auto& bytes = index.bytes();
    int error = writeAllAt(fd.get(), 0, bytes.data(), bytes.size());
    if (!error && ::fsync(fd.get()) != 0)
        error = errno;
    fd.reset();
    if (!error && ::link(temp.c_str(), hostPath.c_str()) != 0)
        error = errno;
    ::unlink(temp.c_str());
    return fromErrno(error);
}

} // namespace kp::win
