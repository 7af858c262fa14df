#pragma once
// Windows-shaped base types and the Win32 error codes that the platform
// reports. Every platform call returns one of these codes (0 = success) or
// hands one back through an out-parameter; nothing throws across the boundary.

#include <cstdint>
#include <string>

namespace kp::win {

using DWORD = std::uint32_t;
using QWORD = std::uint64_t;

namespace err {
inline constexpr DWORD SUCCESS = 0;
inline constexpr DWORD INVALID_FUNCTION = 1;
inline constexpr DWORD FILE_NOT_FOUND = 2;
inline constexpr DWORD PATH_NOT_FOUND = 3;
inline constexpr DWORD TOO_MANY_OPEN_FILES = 4;
inline constexpr DWORD ACCESS_DENIED = 5;
inline constexpr DWORD INVALID_HANDLE = 6;
inline constexpr DWORD NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD BAD_FORMAT = 11;
inline constexpr DWORD INVALID_DATA = 13;
inline constexpr DWORD OUTOFMEMORY = 14;
inline constexpr DWORD INVALID_DRIVE = 15;
inline constexpr DWORD CURRENT_DIRECTORY = 16;
inline constexpr DWORD NOT_SAME_DEVICE = 17;
inline constexpr DWORD NO_MORE_FILES = 18;
inline constexpr DWORD WRITE_PROTECT = 19;
inline constexpr DWORD NOT_READY = 21;
inline constexpr DWORD WRITE_FAULT = 29;
inline constexpr DWORD READ_FAULT = 30;
inline constexpr DWORD GEN_FAILURE = 31;
inline constexpr DWORD SHARING_VIOLATION = 32;
inline constexpr DWORD LOCK_VIOLATION = 33;
inline constexpr DWORD HANDLE_EOF = 38;
inline constexpr DWORD HANDLE_DISK_FULL = 39;
inline constexpr DWORD NOT_SUPPORTED = 50;
inline constexpr DWORD BAD_NETPATH = 53;
inline constexpr DWORD FILE_EXISTS = 80;
inline constexpr DWORD INVALID_PARAMETER = 87;
inline constexpr DWORD BROKEN_PIPE = 109;
inline constexpr DWORD OPEN_FAILED = 110;
inline constexpr DWORD BUFFER_OVERFLOW = 111;
inline constexpr DWORD DISK_FULL = 112;
inline constexpr DWORD INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD INVALID_NAME = 123;
inline constexpr DWORD NEGATIVE_SEEK = 131;
inline constexpr DWORD DIR_NOT_EMPTY = 145;
inline constexpr DWORD BAD_PATHNAME = 161;
inline constexpr DWORD ENVVAR_NOT_FOUND = 203;
inline constexpr DWORD BUSY = 170;
inline constexpr DWORD ALREADY_EXISTS = 183;
inline constexpr DWORD FILENAME_EXCED_RANGE = 206;
inline constexpr DWORD PIPE_BUSY = 231;
inline constexpr DWORD NO_DATA = 232;
inline constexpr DWORD PIPE_NOT_CONNECTED = 233;
inline constexpr DWORD MORE_DATA = 234;
inline constexpr DWORD NO_MORE_ITEMS = 259;
inline constexpr DWORD DIRECTORY = 267;
inline constexpr DWORD NOT_OWNER = 288;
inline constexpr DWORD PARTIAL_COPY = 299;
inline constexpr DWORD INVALID_ADDRESS = 487;
inline constexpr DWORD ARITHMETIC_OVERFLOW = 534;
inline constexpr DWORD PIPE_CONNECTED = 535;
inline constexpr DWORD CANT_ACCESS_FILE = 1920;
inline constexpr DWORD CANT_RESOLVE_FILENAME = 1921;
inline constexpr DWORD RESOURCE_TYPE_NOT_FOUND = 1813;
inline constexpr DWORD NOT_FOUND = 1168;
inline constexpr DWORD CANCELLED = 1223;
inline constexpr DWORD USER_MAPPED_FILE = 1224;
inline constexpr DWORD BADDB = 1009;
inline constexpr DWORD BADKEY = 1010;
inline constexpr DWORD CANTOPEN = 1011;
inline constexpr DWORD CANTREAD = 1012;
inline constexpr DWORD CANTWRITE = 1013;
inline constexpr DWORD KEY_DELETED = 1018;
inline constexpr DWORD SERVICE_ALREADY_RUNNING = 1056;
inline constexpr DWORD SERVICE_DOES_NOT_EXIST = 1060;
inline constexpr DWORD SERVICE_NOT_ACTIVE = 1062;
inline constexpr DWORD SERVICE_EXISTS = 1073;
inline constexpr DWORD FILE_CORRUPT = 1392;
inline constexpr DWORD DISK_CORRUPT = 1393;
inline constexpr DWORD INVALID_FLAGS = 1004;
inline constexpr DWORD SEM_TIMEOUT = 121;
inline constexpr DWORD NO_SUCH_PRIVILEGE = 1313;
inline constexpr DWORD TIMEOUT = 1460;
} // namespace err

// Windows FILETIME: 100-nanosecond intervals since 1601-01-01 UTC.
struct FileTime {
    std::uint32_t low = 0;
    std::uint32_t high = 0;

    QWORD value() const { return (QWORD(high) << 32) | low; }
    static FileTime fromValue(QWORD v) { return {std::uint32_t(v), std::uint32_t(v >> 32)}; }
    bool operator==(const FileTime&) const = default;
};

// Seconds between 1601-01-01 and 1970-01-01.
inline constexpr QWORD kFileTimeUnixEpochSeconds = 11644473600ULL;

inline FileTime fileTimeFromUnix(std::int64_t seconds, std::uint32_t nanoseconds = 0)
{
    return FileTime::fromValue((QWORD(seconds) + kFileTimeUnixEpochSeconds) * 10000000ULL + nanoseconds / 100);
}

inline std::int64_t unixFromFileTime(FileTime t)
{
    return std::int64_t(t.value() / 10000000ULL) - std::int64_t(kFileTimeUnixEpochSeconds);
}

// File attribute bits (FILE_ATTRIBUTE_*).
namespace attr {
inline constexpr DWORD READONLY = 0x01;
inline constexpr DWORD HIDDEN = 0x02;
inline constexpr DWORD SYSTEM = 0x04;
inline constexpr DWORD DIRECTORY = 0x10;
inline constexpr DWORD ARCHIVE = 0x20;
inline constexpr DWORD NORMAL = 0x80;
inline constexpr DWORD TEMPORARY = 0x100;
inline constexpr DWORD REPARSE_POINT = 0x400;
inline constexpr DWORD INVALID = 0xFFFFFFFF;
} // namespace attr

} // namespace kp::win
