#include "platform/reg_document.h"

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
    root_ = std::make_unique<Node>();
    rootPath_ = rootPath;
    header_ = std::string(kSignature) + "\n" + std::string(kRootLine) +
        regtext::formatKeyPath(splitPath(rootPath)) + "\n\n#arch=win64\n";
}

Document::Load Document::parse(std::string_view text)
{
    blocks_.clear();
    root_ = std::make_unique<Node>();
    header_.clear();
    rootPath_.clear();

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

    bool complete = true;
    Block* cur = nullptr;
    std::string pending; // blank lines not yet placed

    Block* sink = nullptr; // where lines go: the last section, even a malformed one's
    auto addOther = [&](std::string_view line, EntryKind kind = EntryKind::Other) {
        if (sink) {
            if (!pending.empty())
                sink->entries.push_back({EntryKind::Other, std::move(pending), {}});
            sink->entries.push_back({kind, std::string(line), {}});
        } else {
            header_ += pending;
            header_ += line;
        }
        pending.clear();
    };

    while (nextLine(raw)) {
        const std::string_view line = content(raw);
        const std::size_t i = firstNonSpace(line);
        if (line.find('\0') != std::string_view::npos) {
            complete = false;
            addOther(raw);
            continue;
        }
        if (i == line.size()) {
            pending += raw;
            continue;
        }
        const char c = line[i];
        if (c == '[') {
            regtext::Units units;
            const std::size_t used = regtext::parseEscaped(line.substr(i + 1), ']', units);
            bool ok = used != std::string_view::npos;
            std::vector<std::string> path;
            if (ok) {
                const std::string_view after = line.substr(i + 1 + used);
                ok = after.find_first_not_of(" \t-0123456789") == std::string_view::npos;
                const std::string name = regtext::fromUnits(units);
                if (!name.empty())
                    path = splitPath(name);
                for (const std::string& part : path)
                    ok = ok && !part.empty();
            }
            if (!ok) {
                complete = false;
                addOther(raw);
                cur = nullptr;
                continue;
            }
            Node* node = root_.get();
            for (const std::string& part : path) {
                Node* next = child(*node, part);
                node = next ? next : &addChild(*node, part);
            }
            blocks_.push_back(Block {});
            Block& block = blocks_.back();
            block.self = std::prev(blocks_.end());
            block.leading = std::move(pending);
            pending.clear();
            block.header = raw;
            block.pathEnd = i + 1 + used;
            block.node = node;
            node->blocks.push_back(&block);
            cur = sink = &block;
            continue;
        }
        if (c == '@' || c == '"') {
            std::string joined(line);
            std::string all(raw);
            bool truncated = false;
            if (regtext::continues(line)) {
                std::string_view last = line;
                while (endsWithBackslash(last)) {
                    if (!nextLine(raw)) {
                        truncated = true;
                        break;
                    }
                    last = content(raw);
                    joined += '\n';
                    joined += last;
                    all += raw;
                }
            }
            std::optional<regtext::ParsedValue> value;
            if (!truncated && cur)
                value = regtext::parseValue(joined);
            if (!value) {
                complete = false;
                addOther(all);
                continue;
            }
            addOther(all, EntryKind::Value);
            auto it = std::prev(cur->entries.end());
            it->value = std::move(*value);
            Node& node = *cur->node;
            const std::string folded = foldName(it->value.name);
            if (const ValueSlot* existing = findValue(node, it->value.name)) {
                const auto index = static_cast<std::size_t>(existing - node.values.data());
                node.values[index] = {cur, it};
            } else {
                if (!node.valueIndex.empty())
                    node.valueIndex.emplace(folded, node.values.size());
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
                if (regtext::parseEscaped(escaped, '\n', units) != std::string_view::npos)
                    rootPath_ = regtext::fromUnits(units);
            }
            addOther(raw);
            continue;
        }
        complete = false;
        addOther(raw);
    }
    if (!pending.empty()) {
        if (sink)
            sink->entries.push_back({EntryKind::Other, std::move(pending), {}});
        else
            header_ += pending;
    }
    return complete ? Load::Complete : Load::Partial;
}

std::string Document::serialize() const
{
    std::string out;
    std::size_t size = header_.size();
    for (const Block& block : blocks_) {
        size += block.leading.size() + block.header.size();
        for (const Entry& entry : block.entries)
            size += entry.raw.size();
    }
    out.reserve(size + 16);
    // A line that ended the file without a terminator gets one when new text
    // follows it.
    auto put = [&out](const std::string& piece) {
        if (piece.empty())
            return;
        if (!out.empty() && out.back() != '\n')
            out += '\n';
        out += piece;
    };
    put(header_);
    for (const Block& block : blocks_) {
        put(block.leading);
        put(block.header);
        for (const Entry& entry : block.entries)
            put(entry.raw);
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
    if (node.values.size() > kIndexThreshold) {
        if (node.valueIndex.empty())
            for (std::size_t i = 0; i < node.values.size(); ++i)
                node.valueIndex[foldName(node.values[i].value().name)] = i;
        const auto it = node.valueIndex.find(folded);
        return it == node.valueIndex.end() ? nullptr : &node.values[it->second];
    }
    for (const ValueSlot& slot : node.values)
        if (foldName(slot.value().name) == folded)
            return &slot;
    return nullptr;
}

std::size_t Document::valuePosition(Node& node, const std::string& folded)
{
    auto& values = node.values;
    if (values.empty() || foldName(values.back().value().name) < folded)
        return values.size();
    for (std::size_t i = 0; i < values.size(); ++i)
        if (foldName(values[i].value().name) > folded)
            return i;
    return values.size();
}

void Document::setValue(Node& node, std::string_view name, DWORD type, std::vector<std::uint8_t> data, const Stamp& stamp)
{
    Block& block = ensureBlock(node, stamp);
    if (const ValueSlot* slot = findValue(node, name)) {
        Entry& entry = *slot->entry;
        entry.raw = regtext::formatValue(entry.value.name, type, data);
        entry.value.type = type;
        entry.value.data = std::move(data);
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
    Entry entry {EntryKind::Value, regtext::formatValue(name, type, data), {std::string(name), type, std::move(data)}};
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
    const std::string folded = foldName(name);
    node.values.erase(node.values.begin() + (slot - node.values.data()));
    node.valueIndex.clear();
    // Earlier lines of the same name, which the last one had replaced.
    for (Block* block : node.blocks)
        for (auto it = block->entries.begin(); it != block->entries.end();)
            it = it->kind == EntryKind::Value && foldName(it->value.name) == folded ? block->entries.erase(it) : std::next(it);
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
    block.leading = "\n";
    block.header = "[" + regtext::formatKeyPath(pathOf(node)) + "]";
    block.pathEnd = block.header.size();
    block.header += " " + std::to_string(stamp.unixSeconds) + "\n";
    block.entries.push_back({EntryKind::Time, timeLine(stamp, "\n"), {}});
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
    const std::string eol(lineEnd(block.header));
    block.header = block.header.substr(0, block.pathEnd) + " " + std::to_string(stamp.unixSeconds) + eol;
    for (Entry& entry : block.entries) {
        if (entry.kind == EntryKind::Time) {
            entry.raw = timeLine(stamp, lineEnd(entry.raw));
            return;
        }
    }
    block.entries.push_front({EntryKind::Time, timeLine(stamp, eol), {}});
}

} // namespace kp::win::reg
