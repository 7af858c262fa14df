#include "platform/registry/hive_document.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace kp::win::reg {

using regtext::foldName;

namespace {

constexpr std::string_view kSignature = "WINE REGISTRY Version 2";
constexpr std::string_view kRootLine = ";; All keys relative to ";
constexpr std::size_t kIndexThreshold = 8;

std::string_view content(std::string_view raw)
{
    if (!raw.empty() && raw.back() == '\n')
        raw.remove_suffix(1);
    if (!raw.empty() && raw.back() == '\r')
        raw.remove_suffix(1);
    return raw;
}

std::string_view lineEnd(std::string_view raw)
{
    return raw.ends_with("\r\n") ? "\r\n" : "\n";
}

std::size_t firstNonSpace(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\v' || s[i] == '\f'))
        ++i;
    return i;
}

bool endsWithBackslash(std::string_view s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return !s.empty() && s.back() == '\\';
}

std::vector<std::string> splitPath(std::string_view path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = path.find('\\', start);
        parts.emplace_back(path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return parts;
}

std::string timeLine(const Stamp& stamp, std::string_view eol)
{
    char text[40];
    std::snprintf(text, sizeof text, "#time=%llx", static_cast<unsigned long long>(stamp.fileTime));
    return std::string(text) + std::string(eol);
}

// The components of a section header's key path, up to its unescaped ']'.
// Returns the position past the ']', or npos.
std::size_t parseKeyPath(std::string_view text, std::vector<std::string>& path)
{
    path.clear();
    const std::size_t close = text.find(']');
    std::string_view plain = text.substr(0, close == std::string_view::npos ? 0 : close);
    bool simple = close != std::string_view::npos;
    for (std::size_t k = 0; simple && k < plain.size(); ++k) {
        const auto c = static_cast<unsigned char>(plain[k]);
        if (c >= 0x80 || (c == '\\' && (k + 1 >= plain.size() || plain[++k] != '\\')))
            simple = false;
    }
    if (simple) {
        // Only "\\\\" separators: split the text itself.
        if (!plain.empty()) {
            std::size_t start = 0;
            for (;;) {
                const std::size_t sep = plain.find("\\\\", start);
                path.emplace_back(plain.substr(start, sep == std::string_view::npos ? std::string_view::npos : sep - start));
                if (sep == std::string_view::npos)
                    break;
                start = sep + 2;
            }
        }
        return close + 1;
    }
    regtext::Units units;
    const std::size_t used = regtext::parseEscaped(text, ']', &units);
    if (used == std::string_view::npos)
        return used;
    const std::string name = regtext::fromUnits(units);
    if (!name.empty())
        path = splitPath(name);
    return used;
}

// Position of `a` against `b` in a file whose sections follow the tree
// depth first, subkeys in name order (how Wine writes them).
int comparePreorder(const Node* a, const Node* b)
{
    std::vector<const Node*> ca, cb;
    for (; a && a->parent; a = a->parent)
        ca.push_back(a);
    for (; b && b->parent; b = b->parent)
        cb.push_back(b);
    std::size_t i = ca.size(), j = cb.size();
    while (i > 0 && j > 0) {
        const int c = ca[--i]->folded.compare(cb[--j]->folded);
        if (c != 0)
            return c;
    }
    if (i == j)
        return 0;
    return i > 0 ? 1 : -1;
}

} // namespace

regtext::ParsedValue ValueSlot::value() const
{
    auto parsed = regtext::parseValue(content(entry->raw.get()));
    return parsed ? std::move(*parsed) : regtext::ParsedValue {};
}

Stamp Stamp::now()
{
    timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return {ts.tv_sec, fileTimeFromUnix(ts.tv_sec, static_cast<std::uint32_t>(ts.tv_nsec)).value()};
}

Document::Document()
    : root_(std::make_unique<Node>())
{
}

void Document::makeEmpty(std::string_view rootPath)
{
    blocks_.clear();
    source_.clear();
    root_ = std::make_unique<Node>();
    rootPath_ = rootPath;
    header_ = std::string(kSignature) + "\n" + std::string(kRootLine) +
        regtext::formatKeyPath(splitPath(rootPath)) + "\n\n#arch=win64\n";
}

Document::Load Document::parse(std::string_view input)
{
    blocks_.clear();
    root_ = std::make_unique<Node>();
    header_.clear();
    rootPath_.clear();
    source_.assign(input);
    const std::string_view text = source_;

    std::size_t pos = 0;
    auto nextLine = [&](std::string_view& raw) {
        if (pos >= text.size())
            return false;
        std::size_t end = text.find('\n', pos);
        end = end == std::string_view::npos ? text.size() : end + 1;
        raw = text.substr(pos, end - pos);
        pos = end;
        return true;
    };

    std::string_view raw;
    if (!nextLine(raw) || content(raw) != kSignature)
        return Load::NotRegistry;
    header_ += raw;

    const bool hasNul = text.find('\0') != std::string_view::npos;
    bool complete = true;
    Block* cur = nullptr;  // the section that values go to
    Block* sink = nullptr; // where lines go: the last section, even a malformed one's
    std::size_t pendingStart = 0, pendingEnd = 0; // blank lines not yet placed
    std::vector<std::string> prevPath;
    std::vector<Node*> prevNodes;

    auto takePending = [&] {
        const std::string_view blank = text.substr(pendingStart, pendingEnd - pendingStart);
        pendingStart = pendingEnd = 0;
        return blank;
    };
    auto addOther = [&](std::string_view line, EntryKind kind = EntryKind::Other) {
        const std::string_view blank = takePending();
        if (!sink) {
            header_ += blank;
            header_ += line;
            return;
        }
        if (!blank.empty())
            sink->entries.push_back({EntryKind::Other, Text(blank), {}, {}, 0});
        sink->entries.push_back({kind, Text(line), {}, {}, 0});
    };

    while (nextLine(raw)) {
        const std::size_t lineStart = pos - raw.size();
        const std::string_view line = content(raw);
        const std::size_t i = firstNonSpace(line);
        if (hasNul && line.find('\0') != std::string_view::npos) {
            complete = false;
            addOther(raw);
            continue;
        }
        if (i == line.size()) {
            if (pendingEnd == 0)
                pendingStart = lineStart;
            pendingEnd = pos;
            continue;
        }
        const char c = line[i];
        if (c == '[') {
            std::vector<std::string> path;
            const std::size_t used = parseKeyPath(line.substr(i + 1), path);
            bool ok = used != std::string_view::npos &&
                line.substr(i + 1 + used).find_first_not_of(" \t-0123456789") == std::string_view::npos &&
                path.size() <= kMaxKeyDepth;
            for (const std::string& part : path)
                ok = ok && !part.empty();
            if (!ok) {
                complete = false;
                addOther(raw);
                cur = nullptr;
                continue;
            }
            // Sections follow each other in tree order: start from the
            // deepest key this path shares with the previous one.
            std::size_t shared = 0;
            while (shared < path.size() && shared < prevPath.size() && path[shared] == prevPath[shared])
                ++shared;
            prevNodes.resize(shared);
            Node* node = shared ? prevNodes.back() : root_.get();
            for (std::size_t k = shared; k < path.size(); ++k) {
                Node* next = child(*node, path[k]);
                node = next ? next : &addChild(*node, path[k]);
                prevNodes.push_back(node);
            }
            prevPath = std::move(path);
            blocks_.push_back(Block {});
            Block& block = blocks_.back();
            block.self = std::prev(blocks_.end());
            block.leading = Text(takePending());
            block.header = Text(raw);
            block.pathEnd = i + 1 + used;
            block.node = node;
            node->blocks.push_back(&block);
            cur = sink = &block;
            continue;
        }
        if (c == '@' || c == '"') {
            bool truncated = false;
            if (endsWithBackslash(line) && regtext::continues(line)) {
                std::string_view last = line;
                while (endsWithBackslash(last)) {
                    if (!nextLine(raw)) {
                        truncated = true;
                        break;
                    }
                    last = content(raw);
                }
            }
            const std::string_view all = text.substr(lineStart, pos - lineStart);
            std::optional<regtext::ParsedValue> value;
            if (!truncated && cur)
                value = regtext::parseValue(content(all), false);
            if (!value) {
                complete = false;
                addOther(all);
                continue;
            }
            addOther(all, EntryKind::Value);
            Entry& entry = cur->entries.back();
            entry.name = std::move(value->name);
            entry.folded = foldName(entry.name);
            entry.type = value->type;
            const auto it = std::prev(cur->entries.end());
            Node& node = *cur->node;
            if (const ValueSlot* existing = findValue(node, entry.name)) {
                node.values[static_cast<std::size_t>(existing - node.values.data())] = {cur, it};
            } else {
                if (!node.values.empty() && node.values.back().folded() > entry.folded)
                    node.valuesSorted = false;
                if (!node.valueIndex.empty())
                    node.valueIndex.emplace(entry.folded, node.values.size());
                node.values.push_back({cur, it});
            }
            continue;
        }
        if (c == '#') {
            const std::string_view option = line.substr(i);
            if (cur && option.starts_with("#time="))
                addOther(raw, EntryKind::Time);
            else if (cur && option == "#link") {
                cur->node->link = true;
                addOther(raw, EntryKind::Link);
            } else {
                addOther(raw);
            }
            continue;
        }
        if (c == ';') {
            if (!sink && rootPath_.empty() && line.substr(i).starts_with(kRootLine)) {
                regtext::Units units;
                std::string escaped(line.substr(i + kRootLine.size()));
                escaped += '\n';
                if (regtext::parseEscaped(escaped, '\n', &units) != std::string_view::npos)
                    rootPath_ = regtext::fromUnits(units);
            }
            addOther(raw);
            continue;
        }
        complete = false;
        addOther(raw);
    }
    if (pendingEnd != 0) {
        if (sink)
            sink->entries.push_back({EntryKind::Other, Text(takePending()), {}, {}, 0});
        else
            header_ += takePending();
    }
    return complete ? Load::Complete : Load::Partial;
}

std::string Document::serialize() const
{
    std::string out;
    std::size_t size = header_.size();
    for (const Block& block : blocks_) {
        size += block.leading.get().size() + block.header.get().size();
        for (const Entry& entry : block.entries)
            size += entry.raw.get().size();
    }
    out.reserve(size + 16);
    // A line that ended the file without a terminator gets one when new text
    // follows it.
    auto put = [&out](std::string_view piece) {
        if (piece.empty())
            return;
        if (!out.empty() && out.back() != '\n')
            out += '\n';
        out += piece;
    };
    put(header_);
    for (const Block& block : blocks_) {
        put(block.leading.get());
        put(block.header.get());
        for (const Entry& entry : block.entries)
            put(entry.raw.get());
    }
    return out;
}

Node* Document::child(Node& parent, std::string_view name)
{
    const std::string folded = foldName(name);
    if (parent.children.size() > kIndexThreshold) {
        if (parent.childIndex.empty())
            for (const auto& c : parent.children)
                parent.childIndex.emplace(c->folded, c.get());
        const auto it = parent.childIndex.find(folded);
        return it == parent.childIndex.end() ? nullptr : it->second;
    }
    for (const auto& c : parent.children)
        if (c->folded == folded)
            return c.get();
    return nullptr;
}

Node* Document::find(const std::vector<std::string>& path)
{
    Node* node = root_.get();
    for (const std::string& part : path) {
        node = child(*node, part);
        if (!node)
            return nullptr;
    }
    return node;
}

Node& Document::addChild(Node& parent, std::string_view name)
{
    auto node = std::make_unique<Node>();
    node->name = name;
    node->folded = foldName(name);
    node->parent = &parent;
    Node& ref = *node;
    if (!parent.childIndex.empty())
        parent.childIndex.emplace(ref.folded, &ref);
    parent.children.push_back(std::move(node));
    return ref;
}

Node& Document::ensureChild(Node& parent, std::string_view name, const Stamp& stamp, bool& created)
{
    if (Node* existing = child(parent, name)) {
        created = false;
        return *existing;
    }
    created = true;
    auto node = std::make_unique<Node>();
    node->name = name;
    node->folded = foldName(name);
    node->parent = &parent;
    Node& ref = *node;
    auto& kids = parent.children;
    auto at = kids.end();
    if (!kids.empty() && kids.back()->folded > ref.folded)
        at = std::find_if(kids.begin(), kids.end(), [&](const auto& c) { return c->folded > ref.folded; });
    kids.insert(at, std::move(node));
    if (!parent.childIndex.empty())
        parent.childIndex.emplace(ref.folded, &ref);
    touch(parent, stamp);
    return ref;
}

const ValueSlot* Document::findValue(Node& node, std::string_view name)
{
    const std::string folded = foldName(name);
    auto& values = node.values;
    if (node.valuesSorted) {
        const auto it = std::lower_bound(values.begin(), values.end(), folded,
            [](const ValueSlot& slot, const std::string& key) { return slot.folded() < key; });
        return it != values.end() && it->folded() == folded ? &*it : nullptr;
    }
    if (values.size() > kIndexThreshold) {
        if (node.valueIndex.empty())
            for (std::size_t i = 0; i < values.size(); ++i)
                node.valueIndex.emplace(values[i].folded(), i);
        const auto it = node.valueIndex.find(folded);
        return it == node.valueIndex.end() ? nullptr : &values[it->second];
    }
    for (const ValueSlot& slot : values)
        if (slot.folded() == folded)
            return &slot;
    return nullptr;
}

std::size_t Document::valuePosition(Node& node, const std::string& folded)
{
    auto& values = node.values;
    if (values.empty() || values.back().folded() < folded)
        return values.size();
    if (node.valuesSorted)
        return static_cast<std::size_t>(std::upper_bound(values.begin(), values.end(), folded,
                                            [](const std::string& key, const ValueSlot& slot) { return key < slot.folded(); }) -
            values.begin());
    for (std::size_t i = 0; i < values.size(); ++i)
        if (values[i].folded() > folded)
            return i;
    return values.size();
}

void Document::setValue(Node& node, std::string_view name, DWORD type, std::vector<std::uint8_t> data, const Stamp& stamp)
{
    Block& block = ensureBlock(node, stamp);
    if (const ValueSlot* slot = findValue(node, name)) {
        Entry& entry = *slot->entry;
        entry.raw.set(regtext::formatValue(entry.name, type, data));
        entry.type = type;
        touch(node, stamp);
        return;
    }

    const std::string folded = foldName(name);
    const std::size_t pos = valuePosition(node, folded);
    auto where = block.entries.end();
    if (pos < node.values.size() && node.values[pos].block == &block) {
        where = node.values[pos].entry;
    } else {
        for (auto it = block.entries.end(); it != block.entries.begin();) {
            --it;
            if (it->kind == EntryKind::Value) {
                where = std::next(it);
                break;
            }
        }
    }
    Entry entry {EntryKind::Value, {}, std::string(name), folded, type};
    entry.raw.set(regtext::formatValue(name, type, data));
    const auto it = block.entries.insert(where, std::move(entry));
    if (pos == node.values.size()) {
        if (!node.valueIndex.empty())
            node.valueIndex.emplace(folded, pos);
    } else {
        node.valueIndex.clear();
    }
    node.values.insert(node.values.begin() + static_cast<std::ptrdiff_t>(pos), ValueSlot {&block, it});
    touch(node, stamp);
}

bool Document::deleteValue(Node& node, std::string_view name, const Stamp& stamp)
{
    const ValueSlot* slot = findValue(node, name);
    if (!slot)
        return false;
    const std::string folded = slot->folded();
    node.values.erase(node.values.begin() + (slot - node.values.data()));
    node.valueIndex.clear();
    // Earlier lines of the same name, which the last one had replaced.
    for (Block* block : node.blocks)
        for (auto it = block->entries.begin(); it != block->entries.end();)
            it = it->kind == EntryKind::Value && it->folded == folded ? block->entries.erase(it) : std::next(it);
    touch(node, stamp);
    return true;
}

void Document::dropBlocks(Node& node)
{
    for (Block* block : node.blocks)
        blocks_.erase(block->self);
    node.blocks.clear();
    for (const auto& c : node.children)
        dropBlocks(*c);
}

void Document::removeKey(Node& node, const Stamp& stamp)
{
    Node* parent = node.parent;
    if (!parent)
        return;
    dropBlocks(node);
    parent->childIndex.erase(node.folded);
    auto& kids = parent->children;
    kids.erase(std::find_if(kids.begin(), kids.end(), [&](const auto& c) { return c.get() == &node; }));
    // A key left without subkeys is written like any other leaf, values or
    // not, so that it is still there when the file is read again.
    if (kids.empty() && parent->parent && parent->blocks.empty())
        ensureBlock(*parent, stamp);
    else
        touch(*parent, stamp);
}

std::vector<std::string> Document::pathOf(const Node& node) const
{
    std::vector<std::string> path;
    for (const Node* n = &node; n->parent; n = n->parent)
        path.push_back(n->name);
    std::reverse(path.begin(), path.end());
    return path;
}

Block& Document::ensureBlock(Node& node, const Stamp& stamp)
{
    if (!node.blocks.empty())
        return *node.blocks.front();
    Block block;
    block.leading.set("\n");
    std::string header = "[" + regtext::formatKeyPath(pathOf(node)) + "]";
    block.pathEnd = header.size();
    block.header.set(header + " " + std::to_string(stamp.unixSeconds) + "\n");
    block.entries.push_back({EntryKind::Time, {}, {}, {}, 0});
    block.entries.back().raw.set(timeLine(stamp, "\n"));
    block.node = &node;
    auto at = std::find_if(blocks_.begin(), blocks_.end(), [&](const Block& b) { return comparePreorder(b.node, &node) > 0; });
    auto it = blocks_.insert(at, std::move(block));
    it->self = it;
    node.blocks.push_back(&*it);
    return *it;
}

void Document::touch(Node& node, const Stamp& stamp)
{
    if (node.blocks.empty())
        return;
    Block& block = *node.blocks.front();
    const std::string_view header = block.header.get();
    const std::string eol(lineEnd(header));
    block.header.set(std::string(header.substr(0, block.pathEnd)) + " " + std::to_string(stamp.unixSeconds) + eol);
    for (Entry& entry : block.entries) {
        if (entry.kind == EntryKind::Time) {
            entry.raw.set(timeLine(stamp, lineEnd(entry.raw.get())));
            return;
        }
    }
    block.entries.push_front({EntryKind::Time, {}, {}, {}, 0});
    block.entries.front().raw.set(timeLine(stamp, eol));
}

} // namespace kp::win::reg
