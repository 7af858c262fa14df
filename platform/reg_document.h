#pragma once
// One registry file in memory: its text kept line by line exactly as read,
// and the key tree built over it. Saving writes the unchanged lines back
// byte for byte; changed values, their keys' time stamps and new keys are
// written as Wine writes them.

#include "platform/reg_text.h"

#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kp::win::reg {

struct Node;

enum class EntryKind { Other, Time, Link, Value };

// One line of a key section (a value with its continuation lines), with its
// line terminators.
struct Entry {
    EntryKind kind = EntryKind::Other;
    std::string raw;
    regtext::ParsedValue value; // kind == Value
};

// A "[key] time" section: the blank lines before it, its header line and
// the lines up to the next section.
struct Block {
    std::string leading;
    std::string header;
    std::size_t pathEnd = 0; // offset just past the header's ']'
    std::list<Entry> entries;
    Node* node = nullptr;
    std::list<Block>::iterator self;
};

struct ValueSlot {
    Block* block = nullptr;
    std::list<Entry>::iterator entry;
    const regtext::ParsedValue& value() const { return entry->value; }
};

// A key. Keys with subkeys but no values have no section of their own.
struct Node {
    std::string name;
    std::string folded;
    Node* parent = nullptr;
    bool link = false; // "#link": a symbolic link to another key
    std::vector<std::unique_ptr<Node>> children;
    std::vector<ValueSlot> values;
    std::vector<Block*> blocks; // the first one gets new values

    // Name lookups, built once a key has many subkeys or values.
    std::unordered_map<std::string, Node*> childIndex;
    std::unordered_map<std::string, std::size_t> valueIndex;
};

// Time of a change: Unix seconds for the section header and FILETIME ticks
// for its "#time=" line.
struct Stamp {
    std::int64_t unixSeconds = 0;
    QWORD fileTime = 0;
    static Stamp now();
};

class Document {
public:
    enum class Load { Complete, Partial, NotRegistry };

    Document();

    // Reads a file's text. Partial: every well-formed key and value is there,
    // but some lines were not understood.
    Load parse(std::string_view text);
    // A new, empty file relative to `rootPath` (e.g. "REGISTRY\\Machine").
    void makeEmpty(std::string_view rootPath);
    std::string serialize() const;

    // The unescaped path named by the ";; All keys relative to" line.
    const std::string& rootPath() const { return rootPath_; }

    Node& root() { return *root_; }
    Node* child(Node& parent, std::string_view name);
    Node* find(const std::vector<std::string>& path);
    // The subkey `name`, created (in name order) when missing.
    Node& ensureChild(Node& parent, std::string_view name, const Stamp& stamp, bool& created);
    // Gives the key a section of its own (Wine writes keys that have values
    // or no subkeys), placed where Wine would write it.
    Block& ensureBlock(Node& node, const Stamp& stamp);

    const ValueSlot* findValue(Node& node, std::string_view name);
    void setValue(Node& node, std::string_view name, DWORD type, std::vector<std::uint8_t> data, const Stamp& stamp);
    bool deleteValue(Node& node, std::string_view name, const Stamp& stamp);
    // Removes the key, its subkeys and their sections; the parent is touched.
    void removeKey(Node& node, const Stamp& stamp);

    std::vector<std::string> pathOf(const Node& node) const;

private:
    Node& addChild(Node& parent, std::string_view name);
    void touch(Node& node, const Stamp& stamp);
    void dropBlocks(Node& node);
    std::size_t valuePosition(Node& node, const std::string& folded);

    std::string header_;
    std::string rootPath_;
    std::list<Block> blocks_;
    std::unique_ptr<Node> root_;
};

} // namespace kp::win::reg
