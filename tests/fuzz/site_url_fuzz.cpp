// Entry names and mask texts of any bytes: parsing, the suggestion made
// from the result and the range test never fail, and what parses as a host
// keeps to the characters a registry key name may take here.

#include "zones/site_url.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kp::SiteInfo site;
    const bool valid = kp::ParseSiteUrl(kp::trimmedMask(text), site);
    if (valid && site.domain.find('\\') != std::string::npos)
        std::abort();
    site.maskText = std::string(text.substr(0, size / 2));
    kp::MaskSuggestion(site, true);
    const size_t cut = text.find('|');
    if (cut != std::string_view::npos)
        kp::AddressInRange(text.substr(0, cut), text.substr(cut + 1));
    return 0;
}
