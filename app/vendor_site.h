#pragma once
// The vendor's web site: its address (a build setting), the version check
// and the tutorial, and the question asked before a page is opened.

#include <string>

namespace kp {

// The site's address without a trailing "/".
std::string vendorAddress();
// The version check: the site + "/verklenpro.php?ver=2.03&bld=102".
std::string versionCheckAddress();
// The tutorial: the site + "/tutorial/tutorial.htm".
std::string tutorialAddress();

// The question before opening `address`; the address is indented by
// `indent` blanks.
std::string vendorPageQuestion(const std::string& address, int indent);

} // namespace kp
