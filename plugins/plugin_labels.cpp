#include "plugins/plugin_labels.h"

#include <array>

namespace kp::plugin_label {

std::string fileResultLabel(win::DWORD code)
{
    switch (code) {
    case win::err::SUCCESS: return Deleted;
    case win::err::FILE_NOT_FOUND: return FileNotFound;
    case win::err::PATH_NOT_FOUND: return PathNotFound;
    case win::err::DIR_NOT_EMPTY: return DirNotEmpty;
    case win::err::ACCESS_DENIED:
    case win::err::SHARING_VIOLATION:
    case win::err::LOCK_VIOLATION:
    case win::err::USER_MAPPED_FILE: return Locked;
    default: return (" -Error-" + std::to_string(code) + std::string(10, ' ')).substr(0, 19);
    }
}

std::string registryTypeName(win::DWORD type)
{
    static constexpr std::array<const char*, 11> names = {
        "Reg_None",          "Reg_Sz",
        "Reg_Expand_Sz",     "Reg_Binary",
        "Reg_Dword",         "Reg_Dword_Big_Endian",
        "Reg_Link",          "Reg_Multi_Sz",
        "Reg_Resource_List", "Reg_Full_Resource_Descriptor",
        "Reg_Resource_Requirements_List",
    };
    return type < names.size() ? names[type] : "Unknown DataType";
}

} // namespace kp::plugin_label
