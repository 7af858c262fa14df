#include "app/ie_version.h"

#include "platform/machine.h"
#include "platform/registry.h"

namespace kp {

namespace {
IeVersion upTo(int level)
{
    return {level >= 4, level >= 5, level >= 6};
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

IeVersion ieVersionFromRegistryText(const std::string& version)
{
    if (version.size() >= 2 && version[1] == '.') {
        const std::string head = (version + "    ").substr(0, 4);
        if (head >= "6.00")
            return upTo(6);
        if (head >= "5.00")
            return upTo(5);
    }
    return upTo(4);
}

IeVersion detectIeVersion(const Keywords& keywords, win::Machine* machine)
{
    IeVersion version = ieVersionFromKeywords(keywords);
    if (version.ie4 || !machine)
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
