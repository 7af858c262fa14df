// INI text from anywhere: parsing never fails, an unedited document gives
// back its bytes exactly, and edits keep the document readable.

#include "platform/profile/ini_document.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    kp::win::IniDocument document(text);
    if (document.text() != text)
        std::abort();
    for (const std::string& section : document.sectionNames()) {
        for (const std::string& key : document.keyNames(section))
            if (!document.value(section, key))
                std::abort();
    }
    document.setValue("Fuzz", "Key", "Value");
    if (document.value("fuzz", "key") != std::string("Value"))
        std::abort();
    document.deleteKey("Fuzz", "Key");
    document.deleteSection("Fuzz");
    kp::win::IniDocument reread(document.text());
    if (reread.hasSection("Fuzz"))
        std::abort();
    return 0;
}
