#pragma once
// The installed Internet Explorer version: the IE4, IE5, IE6 keywords, else
// the file version of shdocvw.dll, else the `Version` value under the local
// machine's Internet Explorer key.

#include <string>

namespace kp {

namespace win {
class Machine;
}
class Keywords;

// Internet Explorer version flags; each implies the lower ones.
struct IeVersion {
    bool ie4 = false, ie5 = false, ie6 = false;
};

IeVersion ieVersionFromKeywords(const Keywords& keywords);
// From shdocvw.dll's version text: "6.00" and above is IE 6, "5.00" IE 5,
// "4.71" IE 4; nothing for other texts.
IeVersion ieVersionFromFileText(const std::string& version);
// From the registry's version text: "6.00" and above is IE 6, "5.00" IE 5;
// any text is at least IE 4.
IeVersion ieVersionFromRegistryText(const std::string& version);
// The version text of the machine's shdocvw.dll; "" when it has none.
std::string browserLibraryVersion(win::Machine& machine);
IeVersion detectIeVersion(const Keywords& keywords, win::Machine* machine);

} // namespace kp
