#include "platform/registry/value_lookup.h"

namespace kp::win {

DWORD readRegText(Registry& registry, RegRoot root, std::string_view subKey, std::string_view name,
                  std::string& text, DWORD* type)
{
    RegKey key;
    if (DWORD e = registry.openKey(root, subKey, false, key))
        return e;
    RegValue value;
    if (DWORD e = registry.queryValue(key, name, value))
        return e;
    if (value.type != regtype::SZ && value.type != regtype::EXPAND_SZ)
        return err::INVALID_DATA;
    text = regValueText(value);
    if (type)
        *type = value.type;
    return err::SUCCESS;
}

} // namespace kp::win
