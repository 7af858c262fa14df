#include "app/vendor_site.h"

#ifndef KP_VENDOR_URL
#error "KP_VENDOR_URL names the vendor's web site (a build setting)"
#endif

namespace kp {

std::string vendorAddress()
{
    std::string address = KP_VENDOR_URL;
    while (!address.empty() && address.back() == '/')
        address.pop_back();
    return address;
}

std::string versionCheckAddress()
{
    return vendorAddress() + "/verklenpro.php?ver=2.03&bld=102";
}

std::string tutorialAddress()
{
    return vendorAddress() + "/tutorial/tutorial.htm";
}

std::string vendorPageQuestion(const std::string& address, int indent)
{
    return "This is to access the Vendor's Web-site.\r\n\r\nYour Internet Connection must be available.\r\n\r\n"
           "If you encounter difficulty with this,\r\nstart Internet Explorer and manually go to\r\n\r\n"
        + std::string(std::size_t(indent), ' ') + address + "\r\n\r\nSelect 'Yes' to access the Web-site now.";
}

} // namespace kp
