#pragma once
// One registry file in memory: its text kept line by line exactly as read,
// and the key tree built over it. Saving writes the unchanged lines back
// byte for byte; changed values, their keys' time stamps and new keys are
// written as Wine writes them.

#include "platform/registry/reg_syntax.h"

#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kp::win::reg {

struct Node;

// Deepest key path a hive may hold (as on Windows).
inline constexpr std::size_t kMaxKeyDepth = 512;

enum class EntryKind { Other, Time, Link, Value };

// A piece of the file's text: a view into the text as read, or its own copy
// once changed.
class Text {
public:
    Text() = default;
    explicit Text(std::string_view view)
        : view_(view)
    {
    }
    std::string_view get() const { return owned_ ? std::string_view(own_) : view_; }
    void set(std::string text)
    {
        own_ = std::move(text);
        owned_ = true;
    }

private:
    std::string_view view_;
    std::string own_;
    bool owned_ = false;
};

// One line of a key section (a value with its continuation lines), with its
// line terminators. A value's data is read from its text when asked for.
struct Entry {
    EntryKind kind = EntryKind::Other;
    Text raw;
    std::string name; // Value: UTF-8, empty for the default value
    std::string folded;
    DWORD type = 0;
};

// A "[key] time" section: the blank lines before it, its header line and
// the lines up to the next section.
struct Block {
    Text leading;
    Text header;
    std::size_t pathEnd = 0; // offset just past the header's ']'
    std::list<Entry> entries;
    Node* node = nullptr;
    std::list<Block>::iterator self;
};

struct ValueSlot {
    Block* block = nullptr;
    std::list<Entry>::iterator entry;
    const std::string& name() const { return entry->name; }
    const std::string& folded() const { return entry->folded; }
    DWORD type() const { return entry->type; }
    regtext::ParsedValue value() const;
};

// A key. Keys with subkeys but no values have no section of their own.
struct Node {
    std::string name;
    std::string folded;
    Node* parent = nullptr;
    bool link = false; // "#link": a symbolic link to another key
    bool valuesSorted = true;
    std::vector<std::unique_ptr<Node>> children;
    std::vector<ValueSlot> values;
    std::vector<Block*> blocks; // the first one gets new values

    // Name lookups, built once a key has many subkeys or (unsorted) values.
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
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

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

    std::string source_; // the text read; unchanged pieces point into it
    std::string header_;
    std::string rootPath_;
    std::list<Block> blocks_;
    std::unique_ptr<Node> root_;
};

} // namespace kp::win::reg
