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

} // namespace

bool sameIniName(std::string_view a, std::string_view b)
{
    return upperAscii(trim(a)) == upperAscii(trim(b));
}

IniDocument::IniDocument(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t newline = text.find('\n', pos);
        if (newline == std::string_view::npos) {
            lines_.push_back({std::string(text.substr(pos)), ""});
            break;
        }
        bool crlf = newline > pos && text[newline - 1] == '\r';
        std::size_t contentEnd = crlf ? newline - 1 : newline;
        lines_.push_back({std::string(text.substr(pos, contentEnd - pos)), crlf ? "\r\n" : "\n"});
        pos = newline + 1;
    }
}

std::string IniDocument::text() const
{
    std::string out;
    for (const Line& line : lines_) {
        out += line.content;
        out += line.end;
    }
    return out;
}

IniDocument::Parsed IniDocument::parse(const std::string& content)
{
    Parsed p;
    std::string_view text = trim(content);
    if (text.empty())
        return p;
    if (text.front() == '[') {
        std::size_t close = text.rfind(']');
        if (close != std::string_view::npos) {
            p.kind = Kind::Section;
            p.name = std::string(trim(text.substr(1, close - 1)));
            return p;
        }
    }
    p.kind = Kind::Key;
    std::size_t equals = text.find('=');
    p.name = std::string(trim(text.substr(0, equals)));
    if (equals != std::string_view::npos)
        p.value = std::string(trim(text.substr(equals + 1)));
    return p;
}

std::size_t IniDocument::sectionEnd(std::size_t from) const
{
    std::size_t i = from;
    while (i < lines_.size() && parse(lines_[i].content).kind != Kind::Section)
        ++i;
    return i;
}

bool IniDocument::findSection(std::string_view section, std::size_t& begin, std::size_t& end) const
{
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        Parsed p = parse(lines_[i].content);
        if (p.kind == Kind::Section && sameIniName(p.name, section)) {
            begin = i + 1;
            end = sectionEnd(begin);
            return true;
        }
    }
    return false;
}

std::optional<std::string> IniDocument::value(std::string_view section, std::string_view key) const
{
    std::size_t begin = 0, end = 0;
    if (!findSection(section, begin, end))
        return std::nullopt;
    for (std::size_t i = begin; i < end; ++i) {
        Parsed p = parse(lines_[i].content);
        if (p.kind == Kind::Key && sameIniName(p.name, key))
            return p.value;
    }
    return std::nullopt;
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
        Parsed p = parse(line.content);
        if (p.kind == Kind::Section)
            names.push_back(p.name);
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
        Parsed p = parse(lines_[i].content);
        if (p.kind == Kind::Key && !p.name.empty() && p.name.front() != ';')
            names.push_back(p.name);
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
        lines_.push_back({"[" + std::string(trim(section)) + "]", "\r\n"});
        lines_.push_back({keyName + "=" + newValue, "\r\n"});
        return true;
    }
    std::size_t insertAt = begin;
    for (std::size_t i = begin; i < end; ++i) {
        Parsed p = parse(lines_[i].content);
        if (p.kind == Kind::Key && sameIniName(p.name, key)) {
            if (p.value == newValue && lines_[i].content.find('=') != std::string::npos)
                return false;
            lines_[i].content = p.name + "=" + newValue;
            return true;
        }
        if (p.kind != Kind::Blank)
            insertAt = i + 1;
    }
    // A new key goes after the section's last line that is not blank.
    if (lines_[insertAt - 1].end.empty())
        lines_[insertAt - 1].end = "\r\n";
    lines_.insert(lines_.begin() + std::ptrdiff_t(insertAt), Line {keyName + "=" + newValue, "\r\n"});
    return true;
}

bool IniDocument::deleteKey(std::string_view section, std::string_view key)
{
    std::size_t begin = 0, end = 0;
    if (!findSection(section, begin, end))
        return false;
    for (std::size_t i = begin; i < end; ++i) {
        Parsed p = parse(lines_[i].content);
        if (p.kind == Kind::Key && sameIniName(p.name, key)) {
            lines_.erase(lines_.begin() + std::ptrdiff_t(i));
            return true;
        }
    }
    return false;
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
