#include "core/ie_version.h"

#include "core/keywords.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "platform/system/pe_version.h"
#include "platform/system/system_info.h"

namespace kp {

namespace {
IeVersion upTo(int level)
{
    return {level >= 4, level >= 5, level >= 6};
}

// The first four characters of a "d.dd..." text; a one-digit minor version
// ("6.0.2900") reads as two ("6.00"), so that it compares as the number it is.
std::string versionHead(const std::string& version)
{
    std::string text = version + "    ";
    if (text[1] == '.' && text[2] >= '0' && text[2] <= '9' && (text[3] < '0' || text[3] > '9'))
        text.insert(2, "0");
    return text.substr(0, 4);
}
} // namespace

IeVersion ieVersionFromKeywords(const Keywords& keywords)
{
    if (keywords.IsKeywordPresent("IE6"))
        return upTo(6);
    if (keywords.IsKeywordPresent("IE5"))
        return upTo(5);
    if (keywords.IsKeywordPresent("IE4"))
        return upTo(4);
    return {};
}

IeVersion ieVersionFromFileText(const std::string& version)
{
    if (version.size() < 2 || version[1] != '.')
        return {};
    const std::string head = versionHead(version);
    if (head >= "6.00")
        return upTo(6);
    if (head >= "5.00")
        return upTo(5);
    if (head >= "4.71")
        return upTo(4);
    return {};
}

IeVersion ieVersionFromRegistryText(const std::string& version)
{
    if (version.size() >= 2 && version[1] == '.') {
        const std::string head = versionHead(version);
        if (head >= "6.00")
            return upTo(6);
        if (head >= "5.00")
            return upTo(5);
    }
    return upTo(4);
}

std::string browserLibraryVersion(win::Machine& machine)
{
    win::FileVersionInfo info;
    if (win::fileVersionInfo(machine, win::systemDirectory(machine) + "\\shdocvw.dll", info) != win::err::SUCCESS)
        return {};
    if (!info.fileVersionText.empty())
        return info.fileVersionText;
    return info.hasFixed ? win::fixedVersionText(info) : std::string();
}

IeVersion detectIeVersion(const Keywords& keywords, win::Machine* machine)
{
    IeVersion version = ieVersionFromKeywords(keywords);
    if (version.ie4 || !machine)
        return version;
    version = ieVersionFromFileText(browserLibraryVersion(*machine));
    if (version.ie4)
        return version;
    win::Registry& registry = machine->registry();
    win::RegKey key;
    if (registry.openKey(win::RegRoot::LocalMachine, "Software\\Microsoft\\Internet Explorer", false, key)
        != win::err::SUCCESS)
        return version;
    std::string text;
    if (registry.queryString(key, "Version", text) != win::err::SUCCESS)
        return version;
    return ieVersionFromRegistryText(text);
}

} // namespace kp
