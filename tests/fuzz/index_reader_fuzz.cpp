// The index.dat reader and walker on arbitrary bytes: every input ends in a
// result code, never a read outside the buffer. Inputs that parse are also
// walked, looked up and edited.

#include "platform/urlcache/index_dat.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace kp::win;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    IndexFile index;
    if (IndexFile::parse(std::vector<std::uint8_t>(data, data + size), index) != err::SUCCESS)
        return 0;
    std::vector<std::string> urls;
    IndexFile::WalkPos pos;
    UrlRecord record;
    while (index.seekUrl(pos, record) == err::SUCCESS && urls.size() < 100000) {
        urls.emplace_back(record.url);
        ++pos.slot;
    }
    // Any result code will do; only a read outside the buffer is a fault.
    for (const std::string& url : urls) {
        UrlRecord found;
        static_cast<void>(index.find(url, found));
        static_cast<void>(index.remove(url));
    }
    NewUrlRecord added;
    added.url = "http://fuzz.example/";
    added.localName = "a[1].htm";
    added.subfolder = 0;
    static_cast<void>(index.add(added));
    index.takeChangedRanges();
    return 0;
}
