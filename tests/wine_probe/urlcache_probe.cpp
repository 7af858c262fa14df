// A Windows program run under Wine by the interop tests: it fills, lists and
// edits the URL cache through the real wininet and prints what it sees, one
// tab-separated line per item.
//
//   folders            the cache, cookies and history shell folders
//   fill <n>           n content entries with files (every fifth sticky),
//                      two persistent cookies and n visited entries
//   list               every entry FindFirstUrlCacheEntryA / FindNext list
//   get <url>...       whether GetUrlCacheEntryInfoA finds each URL
//   delete <url>...    DeleteUrlCacheEntryA on each URL
//   add <url>...       a new content entry with a file for each URL
//   profile <file> <section> <key>...
//                      GetPrivateProfileStringA of each key ("<missing>"
//                      when the key is absent)
//   wait <seconds>     stays in the session that long, without a window
//   zone <url>...      the zone the URL security manager maps each URL to
//                      (-1 when it cannot)
//   recycle <path>...  SHFileOperationA deleting each file to the Recycle
//                      Bin (FOF_ALLOWUNDO, no dialogs): its result and
//                      whether an operation was aborted

#include <windows.h>
#include <shlobj.h>
#include <urlmon.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

INTERNET_CACHE_ENTRY_INFOA* info(std::vector<char>& buffer)
{
    return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
}

void print(const INTERNET_CACHE_ENTRY_INFOA* e)
{
    std::printf("entry\t%08lx\t%lu\t%s\t%s\n", static_cast<unsigned long>(e->CacheEntryType),
                static_cast<unsigned long>(e->dwSizeLow), e->lpszSourceUrlName,
                e->lpszLocalFileName ? e->lpszLocalFileName : "");
}

int printZones(int count, char** urls)
{
    CoInitialize(nullptr);
    IInternetSecurityManager* manager = nullptr;
    if (FAILED(CoInternetCreateSecurityManager(nullptr, &manager, 0))) {
        std::printf("manager\tnone\n");
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        wchar_t url[2048] = {};
        MultiByteToWideChar(CP_ACP, 0, urls[i], -1, url, 2048);
        DWORD zone = 0;
        const HRESULT result = manager->MapUrlToZone(url, &zone, 0);
        std::printf("zone\t%s\t%ld\n", urls[i], SUCCEEDED(result) ? long(zone) : -1L);
    }
    manager->Release();
    CoUninitialize();
    return 0;
}

int listEntries()
{
    std::vector<char> buffer(4096);
    DWORD size = DWORD(buffer.size());
    HANDLE find = FindFirstUrlCacheEntryA(nullptr, info(buffer), &size);
    if (!find && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        buffer.resize(size);
        find = FindFirstUrlCacheEntryA(nullptr, info(buffer), &size);
    }
    if (!find) {
        std::printf("end\t%lu\n", GetLastError());
        return GetLastError() == ERROR_NO_MORE_ITEMS ? 0 : 1;
    }
    print(info(buffer));
    for (;;) {
        size = DWORD(buffer.size());
        BOOL ok = FindNextUrlCacheEntryA(find, info(buffer), &size);
        if (!ok && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
            buffer.resize(size);
            ok = FindNextUrlCacheEntryA(find, info(buffer), &size);
        }
        if (!ok)
            break;
        print(info(buffer));
    }
    std::printf("end\t%lu\n", GetLastError());
    FindCloseUrlCache(find);
    return 0;
}

bool addContent(const std::string& url, DWORD type, int bytes)
{
    char path[MAX_PATH];
    if (!CreateUrlCacheEntryA(url.c_str(), 0, "html", path, 0))
        return false;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string body(std::size_t(bytes), 'x');
    DWORD written = 0;
    WriteFile(file, body.data(), DWORD(body.size()), &written, nullptr);
    CloseHandle(file);
    static char header[] = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";
    FILETIME zero {};
    return CommitUrlCacheEntryA(url.c_str(), path, zero, zero, type, reinterpret_cast<BYTE*>(header),
                                DWORD(sizeof header - 1), "html", nullptr);
}

bool addVisited(const std::string& url)
{
    FILETIME zero {};
    return CommitUrlCacheEntryA(url.c_str(), nullptr, zero, zero, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr, nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const std::string command = argv[1];
    if (command == "folders") {
        for (int csidl : {CSIDL_INTERNET_CACHE, CSIDL_COOKIES, CSIDL_HISTORY}) {
            char path[MAX_PATH] = {};
            SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
            std::printf("folder\t%d\t%s\n", csidl, path);
        }
        char user[256] = {};
        DWORD length = sizeof user;
        GetUserNameA(user, &length);
        std::printf("user\t%s\n", user);
        return 0;
    }
    if (command == "list")
        return listEntries();
    if (command == "wait" && argc == 3) {
        Sleep(DWORD(std::atoi(argv[2])) * 1000);
        return 0;
    }
    if (command == "zone")
        return printZones(argc - 2, argv + 2);
    if (command == "profile" && argc >= 4) {
        for (int i = 4; i < argc; ++i) {
            char value[1024] = {};
            GetPrivateProfileStringA(argv[3], argv[i], "<missing>", value, sizeof value, argv[2]);
            std::printf("value\t%s\t%s\n", argv[i], value);
        }
        return 0;
    }
    int failures = 0;
    if (command == "fill" && argc == 3) {
        const int count = std::atoi(argv[2]);
        for (int i = 0; i < count; ++i) {
            const std::string page = "http://probe.example/page" + std::to_string(i) + ".html";
            DWORD type = NORMAL_CACHE_ENTRY | (i % 5 == 0 ? STICKY_CACHE_ENTRY : 0);
            failures += !addContent(page, type, 10 * (i + 1));
            failures += !addVisited("Visited: probe@" + page);
        }
        failures += !InternetSetCookieA("http://probe.example/", "session", "abc; expires=Fri, 01 Jan 2038 00:00:00 GMT");
        failures += !InternetSetCookieA("http://other.example/shop/", "cart", "3; expires=Fri, 01 Jan 2038 00:00:00 GMT");
        std::printf("filled\t%d\n", failures);
        return failures ? 1 : 0;
    }
    for (int i = 2; i < argc; ++i) {
        const std::string url = argv[i];
        if (command == "get") {
            std::vector<char> buffer(8192);
            DWORD size = DWORD(buffer.size());
            BOOL ok = GetUrlCacheEntryInfoA(url.c_str(), info(buffer), &size);
            std::printf("get\t%s\t%lu\n", url.c_str(), ok ? 0ul : GetLastError());
        } else if (command == "delete") {
            BOOL ok = DeleteUrlCacheEntryA(url.c_str());
            std::printf("delete\t%s\t%lu\n", url.c_str(), ok ? 0ul : GetLastError());
        } else if (command == "recycle") {
            const std::string from = url + '\0'; // a list of one, ended by a second NUL
            SHFILEOPSTRUCTA operation {};
            operation.wFunc = FO_DELETE;
            operation.pFrom = from.c_str();
            operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
            const int result = SHFileOperationA(&operation);
            std::printf("recycle\t%s\t%d\t%d\n", url.c_str(), result, int(operation.fAnyOperationsAborted));
            failures += result != 0;
        } else if (command == "add") {
            BOOL ok = addContent(url, NORMAL_CACHE_ENTRY, 64);
            std::printf("add\t%s\t%lu\n", url.c_str(), ok ? 0ul : GetLastError());
            failures += !ok;
        } else {
            return 2;
        }
    }
    return failures ? 1 : 0;
}
