// The .reg reader on arbitrary bytes: parse, look keys and values up, change
// one, serialise. Unchanged input must come back unchanged.

#include "platform/reg_document.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    kp::win::reg::Document doc;
    const auto load = doc.parse(text);
    if (load == kp::win::reg::Document::Load::NotRegistry)
        return 0;
    if (doc.serialize() != text)
        std::abort();

    const kp::win::reg::Stamp stamp {1, 2};
    kp::win::reg::Node& root = doc.root();
    if (!root.children.empty()) {
        kp::win::reg::Node& first = *root.children.front();
        for (const auto& slot : first.values)
            doc.findValue(first, slot.value().name);
        doc.setValue(first, "fuzz", kp::win::regtype::BINARY, {1, 2, 3}, stamp);
        bool created = false;
        doc.ensureChild(first, "new", stamp, created);
        kp::win::reg::Document again;
        if (again.parse(doc.serialize()) == kp::win::reg::Document::Load::NotRegistry)
            std::abort();
        doc.removeKey(first, stamp);
    }
    doc.serialize();
    return 0;
}
