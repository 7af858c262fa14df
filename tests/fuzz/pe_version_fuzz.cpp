// The version-resource reader on arbitrary bytes: it must refuse or read
// without touching memory outside the image, and a text it reads is ASCII.

#include "platform/system/pe_version.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view image(reinterpret_cast<const char*>(data), size);
    kp::win::FileVersionInfo info;
    if (kp::win::readVersionResource(image, info) != kp::win::err::SUCCESS)
        return 0;
    for (char c : info.fileVersionText)
        if (static_cast<unsigned char>(c) >= 0x80)
            std::abort();
    return 0;
}
