#include "platform/profile/ini_document.h"

#include "platform/files/win_path.h"

namespace kp::win {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// `name` equals `folded`, an already trimmed and upper-cased name.
bool matchesFolded(std::string_view name, std::string_view folded)
{
    if (name.size() != folded.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (upper(name[i]) != folded[i])
            return false;
    }
    return true;
}

std::string foldedName(std::string_view name)
{
    return upperAscii(trim(name));
}

} // namespace

IniDocument::IniDocument(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t newline = text.find('\n', pos);
        if (newline == std::string_view::npos) {
            lines_.push_back(makeLine(std::string(text.substr(pos)), ""));
            break;
        }
        bool crlf = newline > pos && text[newline - 1] == '\r';
        std::size_t contentEnd = crlf ? newline - 1 : newline;
        lines_.push_back(makeLine(std::string(text.substr(pos, contentEnd - pos)), crlf ? "\r\n" : "\n"));
        pos = newline + 1;
    }
}

std::string IniDocument::text() const
{
    std::size_t size = 0;
    for (const Line& line : lines_)
        size += line.content.size() + line.end.size();
    std::string out;
    out.reserve(size);
    for (const Line& line : lines_) {
        out += line.content;
        out += line.end;
    }
    return out;
}

IniDocument::Line IniDocument::makeLine(std::string content, std::string end)
{
    Line line {std::move(content), std::move(end)};
    const std::string_view all = line.content;
    const std::string_view text = trim(all);
    if (text.empty())
        return line;
    auto offsetOf = [&](std::string_view part) { return std::size_t(part.data() - all.data()); };
    auto setName = [&](std::string_view name) {
        line.nameAt = offsetOf(name);
        line.nameSize = name.size();
    };
    if (text.front() == '[') {
        std::size_t close = text.rfind(']');
        if (close != std::string_view::npos) {
            line.kind = Kind::Section;
            setName(trim(text.substr(1, close - 1)));
            return line;
        }
    }
    line.kind = Kind::Key;
    std::size_t equals = text.find('=');
    setName(trim(text.substr(0, equals)));
    if (equals != std::string_view::npos) {
        const std::string_view value = trim(text.substr(equals + 1));
        line.valueAt = offsetOf(value);
        line.valueSize = value.size();
    }
    return line;
}

std::size_t IniDocument::sectionEnd(std::size_t from) const
{
    std::size_t i = from;
    while (i < lines_.size() && lines_[i].kind != Kind::Section)
        ++i;
    return i;
}

bool IniDocument::findSection(std::string_view section, std::size_t& begin, std::size_t& end) const
{
    const std::string folded = foldedName(section);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Section && matchesFolded(lines_[i].name(), folded)) {
            begin = i + 1;
            end = sectionEnd(begin);
            return true;
        }
    }
    return false;
}

std::size_t IniDocument::findKey(std::size_t begin, std::size_t end, std::string_view key) const
{
    const std::string folded = foldedName(key);
    for (std::size_t i = begin; i < end; ++i) {
        if (lines_[i].kind == Kind::Key && matchesFolded(lines_[i].name(), folded))
            return i;
    }
    return end;
}

std::optional<std::string> IniDocument::value(std::string_view section, std::string_view key) const
{
    std::size_t begin = 0, end = 0;
    if (!findSection(section, begin, end))
        return std::nullopt;
    const std::size_t at = findKey(begin, end, key);
    if (at == end)
        return std::nullopt;
    return std::string(lines_[at].value());
}

bool IniDocument::hasSection(std::string_view section) const
{
    std::size_t begin = 0, end = 0;
    return findSection(section, begin, end);
}

std::vector<std::string> IniDocument::sectionNames() const
{
    std::vector<std::string> names;
    for (const Line& line : lines_) {
        if (line.kind == Kind::Section)
            names.emplace_back(line.name());
    }
    return names;
}

std::vector<std::string> IniDocument::keyNames(std::string_view section) const
{
    std::vector<std::string> names;
    std::size_t begin = 0, end = 0;
    if (!findSection(section, begin, end))
        return names;
    for (std::size_t i = begin; i < end; ++i) {
        const std::string_view name = lines_[i].name();
        if (lines_[i].kind == Kind::Key && !name.empty() && name.front() != ';')
            names.emplace_back(name);
    }
    return names;
}

void IniDocument::ensureLastLineEnds()
{
    if (!lines_.empty() && lines_.back().end.empty())
        lines_.back().end = "\r\n";
}

bool IniDocument::setValue(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string keyName(trim(key));
    const std::string newValue(trim(value));
    std::size_t begin = 0, end = 0;
    if (!findSection(section, begin, end)) {
        ensureLastLineEnds();
        lines_.push_back(makeLine("[" + std::string(trim(section)) + "]", "\r\n"));
        lines_.push_back(makeLine(keyName + "=" + newValue, "\r\n"));
        return true;
    }
    if (const std::size_t at = findKey(begin, end, key); at != end) {
        Line& line = lines_[at];
        if (line.value() == newValue && line.content.find('=') != std::string::npos)
            return false;
        line = makeLine(std::string(line.name()) + "=" + newValue, std::move(line.end));
        return true;
    }
    // A new key goes after the section's last line that is not blank.
    std::size_t insertAt = begin;
    for (std::size_t i = begin; i < end; ++i) {
        if (lines_[i].kind != Kind::Blank)
            insertAt = i + 1;
    }
    if (lines_[insertAt - 1].end.empty())
        lines_[insertAt - 1].end = "\r\n";
    lines_.insert(lines_.begin() + std::ptrdiff_t(insertAt), makeLine(keyName + "=" + newValue, "\r\n"));
    return true;
}

bool IniDocument::deleteKey(std::string_view section, std::string_view key)
{
    std::size_t begin = 0, end = 0;
    if (!findSection(section, begin, end))
        return false;
    const std::size_t at = findKey(begin, end, key);
    if (at == end)
        return false;
    lines_.erase(lines_.begin() + std::ptrdiff_t(at));
    return true;
}

bool IniDocument::deleteSection(std::string_view section)
{
    bool changed = false;
    std::size_t begin = 0, end = 0;
    while (findSection(section, begin, end)) {
        lines_.erase(lines_.begin() + std::ptrdiff_t(begin - 1), lines_.begin() + std::ptrdiff_t(end));
        changed = true;
    }
    return changed;
}

} // namespace kp::win
