#pragma once
// The installed Internet Explorer version: the IE4, IE5, IE6 keywords, else
// the `Version` value under the local machine's Internet Explorer key.

#include "app/app_state.h"

namespace kp {

IeVersion ieVersionFromKeywords(const Keywords& keywords);
// From a version text such as "6.0.2800.1106": "6.00" and above is IE 6,
// "5.00" IE 5; any text is at least IE 4.
IeVersion ieVersionFromRegistryText(const std::string& version);
IeVersion detectIeVersion(const Keywords& keywords, win::Machine* machine);

} // namespace kp
