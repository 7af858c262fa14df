// The .reg reader on arbitrary bytes: parse, read every value, change and
// delete some, serialise and parse again. Unchanged input must come back
// unchanged, and what we write must read back.

#include "platform/registry/hive_document.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace kp::win;

void readAll(reg::Node& node)
{
    for (const reg::ValueSlot& slot : node.values)
        slot.value();
    for (const auto& child : node.children)
        readAll(*child);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    reg::Document doc;
    const auto load = doc.parse(text);
    if (load == reg::Document::Load::NotRegistry)
        return 0;
    if (doc.serialize() != text)
        std::abort();
    readAll(doc.root());

    const reg::Stamp stamp {1, 2};
    if (!doc.root().children.empty()) {
        reg::Node& first = *doc.root().children.front();
        if (!first.values.empty()) {
            const std::string name = first.values.front().name();
            doc.setValue(first, name, regtype::MULTI_SZ, {'a', 0, 0, 0, 0, 0}, stamp);
            if (!doc.deleteValue(first, name, stamp))
                std::abort();
        }
        doc.setValue(first, "fuzz", regtype::BINARY, {1, 2, 3}, stamp);
        bool created = false;
        doc.ensureBlock(doc.ensureChild(first, "new", stamp, created), stamp);

        reg::Document again;
        if (again.parse(doc.serialize()) == reg::Document::Load::NotRegistry)
            std::abort();
        reg::Node* copy = again.find(doc.pathOf(first));
        const reg::ValueSlot* fuzz = copy ? again.findValue(*copy, "fuzz") : nullptr;
        if (load == reg::Document::Load::Complete && (!fuzz || fuzz->value().data != std::vector<std::uint8_t> {1, 2, 3}))
            std::abort();
        doc.removeKey(first, stamp);
    }
    doc.serialize();
    return 0;
}
