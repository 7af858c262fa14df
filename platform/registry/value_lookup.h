#pragma once
// Reading text values by key path, for the services that only look values up.

#include "platform/registry/registry.h"

#include <string>
#include <string_view>

namespace kp::win {

// The REG_SZ or REG_EXPAND_SZ value `name` of `root\subKey`, unexpanded;
// `type` (optional) receives its type. FILE_NOT_FOUND when the key or value
// is missing, INVALID_DATA when the value is not text.
[[nodiscard]] DWORD readRegText(Registry& registry, RegRoot root, std::string_view subKey, std::string_view name,
                                std::string& text, DWORD* type = nullptr);

} // namespace kp::win
