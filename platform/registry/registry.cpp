#include "platform/registry/registry.h"

#include "platform/registry/hive_file.h"

#include <array>

namespace kp::win {

using reg::Document;
using reg::Node;
using reg::Stamp;
using regtext::foldName;

namespace {

enum class HiveId { Machine, User, Default, Users };

constexpr std::string_view kDefaultSid = "S-1-5-21-0-0-0-1000";
constexpr int kMaxLinkHops = 16;

// What a RegKey holds: where the key is, and the node found there while the
// hive's nodes stay valid.
struct KeyRef {
    HiveId hive = HiveId::Machine;
    std::vector<std::string> path; // from the hive's root, links resolved
    bool isRoot = false;           // a predefined key, which cannot be deleted
    Node* node = nullptr;
    std::uint64_t epoch = ~std::uint64_t(0);
};

struct Location {
    HiveId hive = HiveId::Machine;
    std::vector<std::string> path;
};

std::vector<std::string> splitKey(std::string_view subKey)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < subKey.size()) {
        std::size_t end = subKey.find('\\', start);
        if (end == std::string_view::npos)
            end = subKey.size();
        if (end > start)
            parts.emplace_back(subKey.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool isString(DWORD type)
{
    return type == regtype::SZ || type == regtype::EXPAND_SZ || type == regtype::MULTI_SZ;
}

std::u16string unitsOf(const std::vector<std::uint8_t>& data)
{
    std::u16string units;
    units.reserve(data.size() / 2);
    for (std::size_t i = 0; i + 1 < data.size(); i += 2)
        units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    return units;
}

// Wine's stored bytes to what the ANSI calls return.
RegValue toApi(const regtext::ParsedValue& stored)
{
    RegValue out {stored.type, {}};
    if (!isString(stored.type)) {
        out.data = stored.data;
        return out;
    }
    const std::string text = regtext::fromUnits(unitsOf(stored.data));
    out.data.assign(text.begin(), text.end());
    if (out.data.empty() || out.data.back() != 0)
        out.data.push_back(0);
    if (stored.type == regtype::MULTI_SZ && (out.data.size() < 2 || out.data[out.data.size() - 2] != 0))
        out.data.push_back(0);
    return out;
}

std::vector<std::uint8_t> toStored(const RegValue& value)
{
    if (!isString(value.type))
        return value.data;
    const std::u16string units =
        regtext::toUnits(std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size()));
    std::vector<std::uint8_t> bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t u : units) {
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return bytes;
}

std::shared_ptr<KeyRef> refOf(const std::shared_ptr<void>& node)
{
    return std::static_pointer_cast<KeyRef>(node);
}

} // namespace

class RegistryStore {
public:
    explicit RegistryStore(const std::string& prefix)
        : hives_ {reg::Hive(prefix + "/system.reg", "REGISTRY\\Machine"),
                  reg::Hive(prefix + "/user.reg", "REGISTRY\\User\\" + std::string(kDefaultSid)),
                  reg::Hive(prefix + "/userdef.reg", "REGISTRY\\User\\.Default")}
    {
    }

    reg::Hive& hive(HiveId id) { return hives_[static_cast<std::size_t>(id)]; }
    bool batched() const { return batchDepth_ > 0; }

    std::string sid()
    {
        reg::Hive& user = hive(HiveId::User);
        if (user.refresh() == err::SUCCESS) {
            const std::vector<std::string> parts = splitKey(user.doc().rootPath());
            if (parts.size() == 3 && foldName(parts[0]) == "REGISTRY" && foldName(parts[1]) == "USER")
                return parts[2];
        }
        return std::string(kDefaultSid);
    }

    // The hive that a first component under HKEY_USERS names.
    DWORD userHive(std::string_view name, HiveId& out)
    {
        const std::string folded = foldName(name);
        if (folded == ".DEFAULT")
            out = HiveId::Default;
        else if (folded == foldName(sid()))
            out = HiveId::User;
        else
            return err::FILE_NOT_FOUND;
        return err::SUCCESS;
    }

    DWORD locate(KeyRef& ref, Node*& node)
    {
        reg::Hive& h = hive(ref.hive);
        if (const DWORD error = h.refresh())
            return error;
        if (ref.epoch != h.epoch()) {
            ref.node = h.doc().find(ref.path);
            ref.epoch = h.epoch();
        }
        if (!ref.node)
            return err::KEY_DELETED;
        node = ref.node;
        return err::SUCCESS;
    }

    // Where `rest` leads from `loc`, following symbolic links (the last
    // component's only when `followLast`). Components not found are left in
    // `missing`.
    DWORD walk(Location& loc, std::vector<std::string> rest, bool followLast, std::vector<std::string>& missing)
    {
        missing.clear();
        int hops = 0;
        reg::Hive* h = &hive(loc.hive);
        if (const DWORD error = h->refresh())
            return error;
        Node* node = h->doc().find(loc.path);
        if (!node)
            return err::KEY_DELETED;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            Node* next = h->doc().child(*node, rest[i]);
            if (!next) {
                missing.assign(rest.begin() + static_cast<std::ptrdiff_t>(i), rest.end());
                return err::SUCCESS;
            }
            loc.path.push_back(next->name);
            node = next;
            if (!node->link || (i + 1 == rest.size() && !followLast))
                continue;
            Location target;
            if (++hops > kMaxLinkHops || !linkTarget(*node, target))
                return err::CANT_RESOLVE_FILENAME;
            std::vector<std::string> remaining = std::move(target.path);
            remaining.insert(remaining.end(), rest.begin() + static_cast<std::ptrdiff_t>(i) + 1, rest.end());
            rest = std::move(remaining);
            i = std::size_t(-1);
            loc = {target.hive, {}};
            h = &hive(loc.hive);
            if (const DWORD error = h->refresh())
                return error;
            node = &h->doc().root();
        }
        return err::SUCCESS;
    }

    // The start of a path given from a predefined key. `usersRoot` is set
    // for HKEY_USERS itself.
    DWORD start(RegRoot root, std::vector<std::string> sub, Location& loc, std::vector<std::string>& rest, bool& usersRoot)
    {
        usersRoot = false;
        loc = {HiveId::Machine, {}};
        switch (root) {
        case RegRoot::LocalMachine:
            rest = std::move(sub);
            break;
        case RegRoot::ClassesRoot:
            rest = {"Software", "Classes"};
            rest.insert(rest.end(), sub.begin(), sub.end());
            break;
        case RegRoot::CurrentConfig:
            rest = {"System", "CurrentControlSet", "Hardware Profiles", "Current"};
            rest.insert(rest.end(), sub.begin(), sub.end());
            break;
        case RegRoot::CurrentUser:
            loc.hive = HiveId::User;
            rest = std::move(sub);
            break;
        case RegRoot::Users:
            if (sub.empty()) {
                usersRoot = true;
                return err::SUCCESS;
            }
            if (const DWORD error = userHive(sub.front(), loc.hive))
                return error;
            rest.assign(sub.begin() + 1, sub.end());
            break;
        }
        return err::SUCCESS;
    }

    DWORD startFrom(KeyRef& parent, std::vector<std::string> sub, Location& loc, std::vector<std::string>& rest, bool& usersRoot)
    {
        if (parent.hive == HiveId::Users)
            return start(RegRoot::Users, std::move(sub), loc, rest, usersRoot);
        usersRoot = false;
        Node* node = nullptr;
        if (const DWORD error = locate(parent, node))
            return error;
        loc = {parent.hive, parent.path};
        rest = std::move(sub);
        return err::SUCCESS;
    }

    DWORD open(Location loc, std::vector<std::string> rest, bool usersRoot, bool isRoot, std::shared_ptr<void>& node)
    {
        auto ref = std::make_shared<KeyRef>();
        if (usersRoot) {
            ref->hive = HiveId::Users;
        } else {
            std::vector<std::string> missing;
            if (const DWORD error = walk(loc, std::move(rest), true, missing))
                return error;
            if (!missing.empty())
                return err::FILE_NOT_FOUND;
            ref->hive = loc.hive;
            ref->path = std::move(loc.path);
        }
        ref->isRoot = isRoot;
        node = std::move(ref);
        return err::SUCCESS;
    }

    DWORD create(Location loc, std::vector<std::string> rest, bool& created, std::shared_ptr<void>& node)
    {
        std::vector<std::string> missing;
        if (const DWORD error = walk(loc, std::move(rest), true, missing))
            return error;
        created = !missing.empty();
        if (loc.path.size() + missing.size() > reg::kMaxKeyDepth)
            return err::BADKEY;
        if (created) {
            const std::vector<std::string> path = loc.path;
            const reg::Change change = [path, missing](Document& doc, const Stamp& stamp) -> DWORD {
                Node* n = doc.find(path);
                if (!n)
                    return err::KEY_DELETED;
                bool isNew = false;
                for (const std::string& name : missing)
                    n = &doc.ensureChild(*n, name, stamp, isNew);
                if (isNew)
                    doc.ensureBlock(*n, stamp);
                return err::SUCCESS;
            };
            if (const DWORD error = hive(loc.hive).apply(change, batched()))
                return error;
            loc.path.insert(loc.path.end(), missing.begin(), missing.end());
        }
        auto ref = std::make_shared<KeyRef>();
        ref->hive = loc.hive;
        ref->path = std::move(loc.path);
        node = std::move(ref);
        return err::SUCCESS;
    }

    DWORD change(KeyRef& ref, const reg::Change& change)
    {
        if (ref.hive == HiveId::Users)
            return err::ACCESS_DENIED;
        Node* node = nullptr;
        if (const DWORD error = locate(ref, node))
            return error;
        return hive(ref.hive).apply(change, batched());
    }

    DWORD removeKey(KeyRef& parent, std::string_view subKey, bool tree)
    {
        Location loc;
        std::vector<std::string> rest;
        bool usersRoot = false;
        const std::vector<std::string> sub = splitKey(subKey);
        if (sub.empty() && (parent.isRoot || parent.hive == HiveId::Users))
            return err::ACCESS_DENIED;
        if (const DWORD error = startFrom(parent, sub, loc, rest, usersRoot))
            return error;
        if (usersRoot)
            return err::ACCESS_DENIED;
        std::vector<std::string> missing;
        if (const DWORD error = walk(loc, std::move(rest), false, missing))
            return error;
        if (!missing.empty())
            return err::FILE_NOT_FOUND;
        if (loc.path.empty())
            return err::ACCESS_DENIED;
        const std::vector<std::string> path = loc.path;
        reg::Hive& h = hive(loc.hive);
        const DWORD error = h.apply(
            [path, tree](Document& doc, const Stamp& stamp) -> DWORD {
                Node* n = doc.find(path);
                if (!n)
                    return err::FILE_NOT_FOUND;
                if (!tree && !n->children.empty())
                    return err::ACCESS_DENIED;
                doc.removeKey(*n, stamp);
                return err::SUCCESS;
            },
            batched());
        h.bumpEpoch();
        return error;
    }

    void beginBatch() { ++batchDepth_; }
    void endBatch()
    {
        if (batchDepth_ > 0)
            --batchDepth_;
    }

    DWORD flush()
    {
        DWORD first = err::SUCCESS;
        for (reg::Hive& h : hives_) {
            const DWORD error = h.save();
            if (error && !first)
                first = error;
        }
        return first;
    }

private:
    // A "#link" key's target, from its SymbolicLinkValue
    // ("\REGISTRY\Machine\...").
    bool linkTarget(Node& node, Location& out)
    {
        const reg::ValueSlot* slot = hive(HiveId::Machine).doc().findValue(node, "SymbolicLinkValue");
        if (!slot || slot->value().type != regtype::LINK)
            return false;
        const std::vector<std::string> parts = splitKey(regtext::fromUnits(unitsOf(slot->value().data)));
        if (parts.size() < 2 || foldName(parts[0]) != "REGISTRY")
            return false;
        const std::string area = foldName(parts[1]);
        if (area == "MACHINE") {
            out = {HiveId::Machine, {parts.begin() + 2, parts.end()}};
            return true;
        }
        if (area == "USER" && parts.size() >= 3 && userHive(parts[2], out.hive) == err::SUCCESS) {
            out.path.assign(parts.begin() + 3, parts.end());
            return true;
        }
        return false;
    }

    std::array<reg::Hive, 3> hives_;
    int batchDepth_ = 0;
};

Registry::Registry(std::string prefixDir)
    : store_(std::make_unique<RegistryStore>(prefixDir))
{
}

// Changes of a batch that was never ended are saved rather than lost.
Registry::~Registry()
{
    store_->flush();
}

DWORD Registry::openKey(RegRoot root, std::string_view subKey, bool write, RegKey& out)
{
    Location loc;
    std::vector<std::string> rest;
    bool usersRoot = false;
    const std::vector<std::string> sub = splitKey(subKey);
    const bool isRoot = sub.empty();
    if (const DWORD error = store_->start(root, sub, loc, rest, usersRoot))
        return error;
    RegKey key;
    if (const DWORD error = store_->open(std::move(loc), std::move(rest), usersRoot, isRoot, key.node_))
        return error;
    key.writable_ = write;
    out = std::move(key);
    return err::SUCCESS;
}

DWORD Registry::openKey(const RegKey& parent, std::string_view subKey, bool write, RegKey& out)
{
    if (!parent.isOpen())
        return err::INVALID_HANDLE;
    Location loc;
    std::vector<std::string> rest;
    bool usersRoot = false;
    const std::vector<std::string> sub = splitKey(subKey);
    auto parentRef = refOf(parent.node_);
    if (const DWORD error = store_->startFrom(*parentRef, sub, loc, rest, usersRoot))
        return error;
    RegKey key;
    if (const DWORD error = store_->open(std::move(loc), std::move(rest), usersRoot, sub.empty() && parentRef->isRoot, key.node_))
        return error;
    key.writable_ = write;
    out = std::move(key);
    return err::SUCCESS;
}

DWORD Registry::createKey(RegRoot root, std::string_view subKey, RegKey& out, bool* created)
{
    Location loc;
    std::vector<std::string> rest;
    bool usersRoot = false;
    const std::vector<std::string> sub = splitKey(subKey);
    if (const DWORD error = store_->start(root, sub, loc, rest, usersRoot))
        return error;
    if (usersRoot)
        return sub.empty() ? openKey(root, subKey, true, out) : err::ACCESS_DENIED;
    RegKey key;
    bool isNew = false;
    if (const DWORD error = store_->create(std::move(loc), std::move(rest), isNew, key.node_))
        return error;
    refOf(key.node_)->isRoot = sub.empty();
    key.writable_ = true;
    out = std::move(key);
    if (created)
        *created = isNew;
    return err::SUCCESS;
}

DWORD Registry::createKey(const RegKey& parent, std::string_view subKey, RegKey& out, bool* created)
{
    if (!parent.isOpen())
        return err::INVALID_HANDLE;
    if (!parent.writable())
        return err::ACCESS_DENIED;
    Location loc;
    std::vector<std::string> rest;
    bool usersRoot = false;
    auto parentRef = refOf(parent.node_);
    if (const DWORD error = store_->startFrom(*parentRef, splitKey(subKey), loc, rest, usersRoot))
        return error;
    if (usersRoot)
        return err::ACCESS_DENIED;
    RegKey key;
    bool isNew = false;
    if (const DWORD error = store_->create(std::move(loc), std::move(rest), isNew, key.node_))
        return error;
    key.writable_ = true;
    out = std::move(key);
    if (created)
        *created = isNew;
    return err::SUCCESS;
}

DWORD Registry::enumKey(const RegKey& key, DWORD index, std::string& name)
{
    if (!key.isOpen())
        return err::INVALID_HANDLE;
    auto ref = refOf(key.node_);
    if (ref->hive == HiveId::Users) {
        if (index > 1)
            return err::NO_MORE_ITEMS;
        name = index == 0 ? ".DEFAULT" : store_->sid();
        return err::SUCCESS;
    }
    Node* node = nullptr;
    if (const DWORD error = store_->locate(*ref, node))
        return error;
    if (index >= node->children.size())
        return err::NO_MORE_ITEMS;
    name = node->children[index]->name;
    return err::SUCCESS;
}

DWORD Registry::enumValue(const RegKey& key, DWORD index, std::string& name, RegValue& value)
{
    if (!key.isOpen())
        return err::INVALID_HANDLE;
    auto ref = refOf(key.node_);
    if (ref->hive == HiveId::Users)
        return err::NO_MORE_ITEMS;
    Node* node = nullptr;
    if (const DWORD error = store_->locate(*ref, node))
        return error;
    if (index >= node->values.size())
        return err::NO_MORE_ITEMS;
    const regtext::ParsedValue& stored = node->values[index].value();
    name = stored.name;
    value = toApi(stored);
    return err::SUCCESS;
}

DWORD Registry::queryInfo(const RegKey& key, DWORD& subKeyCount, DWORD& valueCount)
{
    if (!key.isOpen())
        return err::INVALID_HANDLE;
    auto ref = refOf(key.node_);
    if (ref->hive == HiveId::Users) {
        subKeyCount = 2;
        valueCount = 0;
        return err::SUCCESS;
    }
    Node* node = nullptr;
    if (const DWORD error = store_->locate(*ref, node))
        return error;
    subKeyCount = static_cast<DWORD>(node->children.size());
    valueCount = static_cast<DWORD>(node->values.size());
    return err::SUCCESS;
}

DWORD Registry::queryValue(const RegKey& key, std::string_view name, RegValue& out)
{
    if (!key.isOpen())
        return err::INVALID_HANDLE;
    auto ref = refOf(key.node_);
    if (ref->hive == HiveId::Users)
        return err::FILE_NOT_FOUND;
    Node* node = nullptr;
    if (const DWORD error = store_->locate(*ref, node))
        return error;
    const reg::ValueSlot* slot = store_->hive(ref->hive).doc().findValue(*node, name);
    if (!slot)
        return err::FILE_NOT_FOUND;
    out = toApi(slot->value());
    return err::SUCCESS;
}

DWORD Registry::setValue(const RegKey& key, std::string_view name, const RegValue& value)
{
    if (!key.isOpen())
        return err::INVALID_HANDLE;
    if (!key.writable())
        return err::ACCESS_DENIED;
    auto ref = refOf(key.node_);
    const std::vector<std::string> path = ref->path;
    const std::string valueName(name);
    const DWORD type = value.type;
    const std::vector<std::uint8_t> data = toStored(value);
    return store_->change(*ref, [path, valueName, type, data](Document& doc, const Stamp& stamp) -> DWORD {
        Node* n = doc.find(path);
        if (!n)
            return err::KEY_DELETED;
        doc.setValue(*n, valueName, type, data, stamp);
        return err::SUCCESS;
    });
}

DWORD Registry::deleteValue(const RegKey& key, std::string_view name)
{
    if (!key.isOpen())
        return err::INVALID_HANDLE;
    if (!key.writable())
        return err::ACCESS_DENIED;
    auto ref = refOf(key.node_);
    const std::vector<std::string> path = ref->path;
    const std::string valueName(name);
    return store_->change(*ref, [path, valueName](Document& doc, const Stamp& stamp) -> DWORD {
        Node* n = doc.find(path);
        if (!n)
            return err::KEY_DELETED;
        return doc.deleteValue(*n, valueName, stamp) ? err::SUCCESS : err::FILE_NOT_FOUND;
    });
}

DWORD Registry::deleteKey(const RegKey& parent, std::string_view subKey)
{
    if (!parent.isOpen())
        return err::INVALID_HANDLE;
    if (!parent.writable())
        return err::ACCESS_DENIED;
    return store_->removeKey(*refOf(parent.node_), subKey, false);
}

DWORD Registry::deleteTree(const RegKey& parent, std::string_view subKey)
{
    if (!parent.isOpen())
        return err::INVALID_HANDLE;
    if (!parent.writable())
        return err::ACCESS_DENIED;
    return store_->removeKey(*refOf(parent.node_), subKey, true);
}

DWORD Registry::queryString(const RegKey& key, std::string_view name, std::string& out)
{
    RegValue value;
    if (const DWORD error = queryValue(key, name, value))
        return error;
    if (value.type != regtype::SZ && value.type != regtype::EXPAND_SZ)
        return err::INVALID_DATA;
    out = regValueText(value);
    return err::SUCCESS;
}

DWORD Registry::queryDword(const RegKey& key, std::string_view name, DWORD& out)
{
    RegValue value;
    if (const DWORD error = queryValue(key, name, value))
        return error;
    if (value.type != regtype::DWORD_LE || value.data.size() != 4)
        return err::INVALID_DATA;
    out = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) | (DWORD(value.data[3]) << 24);
    return err::SUCCESS;
}

DWORD Registry::setString(const RegKey& key, std::string_view name, std::string_view text, DWORD type)
{
    return setValue(key, name, regString(text, type));
}

DWORD Registry::setDword(const RegKey& key, std::string_view name, DWORD value)
{
    return setValue(key, name, regDword(value));
}

void Registry::beginBatch()
{
    store_->beginBatch();
}

DWORD Registry::endBatch()
{
    store_->endBatch();
    return store_->batched() ? err::SUCCESS : store_->flush();
}

DWORD Registry::flush()
{
    return store_->flush();
}

std::string Registry::userSid()
{
    return store_->sid();
}

RegValue regString(std::string_view text, DWORD type)
{
    RegValue value {type, {text.begin(), text.end()}};
    value.data.push_back(0);
    return value;
}

RegValue regDword(DWORD value)
{
    return {regtype::DWORD_LE,
        {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16), std::uint8_t(value >> 24)}};
}

RegValue regMultiString(const std::vector<std::string>& items)
{
    RegValue value {regtype::MULTI_SZ, {}};
    for (const std::string& item : items) {
        value.data.insert(value.data.end(), item.begin(), item.end());
        value.data.push_back(0);
    }
    value.data.push_back(0);
    return value;
}

std::string regValueText(const RegValue& value)
{
    std::string text(value.data.begin(), value.data.end());
    const auto nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
    return text;
}

std::vector<std::string> regValueStrings(const RegValue& value)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    const auto* chars = reinterpret_cast<const char*>(value.data.data());
    while (start < value.data.size()) {
        std::size_t end = start;
        while (end < value.data.size() && chars[end] != 0)
            ++end;
        if (end == start)
            break;
        items.emplace_back(chars + start, end - start);
        start = end + 1;
    }
    return items;
}

} // namespace kp::win
