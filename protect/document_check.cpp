#include "protect/document_check.h"

#include "platform/files/file_system.h"
#include "platform/files/share_modes.h"

#include <algorithm>
#include <array>
#include <string>

namespace kp {

bool IsViewableDocument(std::string_view fileName, std::string_view firstBytes)
{
    static constexpr std::array<std::string_view, 28> runnable{
        "exe", "com", "bat", "cmd", "pif", "scr", "vbs", "vbe", "js",  "jse", "wsf", "wsh", "hta", "msi",
        "msp", "lnk", "desktop", "cpl", "reg", "ps1", "jar", "sh", "url", "inf", "dll", "sys", "app", "run"};
    const size_t slash = fileName.find_last_of("\\/");
    const std::string_view base = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    const size_t dot = base.find_last_of('.');
    if (dot != std::string_view::npos) {
        std::string extension(base.substr(dot + 1));
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
        if (std::find(runnable.begin(), runnable.end(), extension) != runnable.end())
            return false;
    }
    for (std::string_view magic : {std::string_view("MZ"), std::string_view("\x7f" "ELF"), std::string_view("#!")})
        if (firstBytes.substr(0, magic.size()) == magic)
            return false;
    return true;
}


win::DWORD ReadFileBeginning(win::Machine& machine, std::string_view winPath, std::size_t size, std::string& out)
{
    win::FileSystem files(machine);
    win::File file;
    win::DWORD code = files.createFile(winPath, win::access::GENERIC_READ, win::share::READ | win::share::WRITE,
                                       win::Disposition::OpenExisting, 0, file);
    if (code != win::err::SUCCESS)
        return code;
    out.assign(size, '\0');
    win::DWORD done = 0;
    code = file.read(out.data(), win::DWORD(size), done);
    out.resize(code == win::err::SUCCESS ? done : 0);
    return code;
}

} // namespace kp
