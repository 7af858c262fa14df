#pragma once
// Taking a cache entry's name or a mask text apart into the scheme and the
// host, and the host into the registry's domain key and the part left of it.

#include "zones/site_info.h"

#include <string>
#include <string_view>

namespace kp {

// Fills scheme, host, isAddress, domain and sub (clearing the rest of the
// lookup's fields). False for an invalid host: scheme and zoneText "n/a".
bool ParseSiteUrl(std::string_view text, SiteInfo& site);

// Cuts a valid host name into domain and sub by its last three labels.
void SplitHost(const std::string& host, std::string& domain, std::string& sub);

// An IPv4 address or pattern: digits, "*" and "-" in four dotted parts
// (10.0.0.1, 192.168.1.*, 10.0.0.1-50).
bool IsAddressHost(std::string_view host);

// Lower-case letters, digits, "-" and "." after an optional leading "*.".
bool IsValidHost(std::string_view host);

// Whether `address` falls within the range pattern `range`, part by part:
// "*" matches any part, "a-b" the numbers a to b, else the same number.
bool AddressInRange(std::string_view address, std::string_view range);

// The mask text a new mask starts from (the shown mask, else the domain),
// with "*." before the host unless it is an address; empty unless exactly one
// row is selected.
std::string MaskSuggestion(const SiteInfo& site, bool oneRowSelected);

// Blanks and control characters trimmed from both ends.
std::string trimmedMask(std::string_view text);

} // namespace kp
