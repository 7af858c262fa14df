#pragma once
// The text of an INI file, read and edited as the private-profile calls do:
// "[section]" lines open sections, "key=value" lines follow; names compare
// without ASCII case, names and values lose surrounding blanks. Edits touch
// only the lines they change, so everything else of the file (comments,
// blank lines, other line ends, odd lines) stays byte for byte; new lines
// end in CR LF.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kp::win {

class IniDocument {
public:
    explicit IniDocument(std::string_view text);

    std::string text() const;

    // The trimmed value of the first `key` in the first `section` of that
    // name, quotes included; nullopt when there is none. A line without '='
    // is a key without a value ("").
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    bool hasSection(std::string_view section) const;
    // Section names in file order; key names of the first such section
    // (comment lines starting with ';' left out).
    std::vector<std::string> sectionNames() const;
    std::vector<std::string> keyNames(std::string_view section) const;

    // Each returns whether the text changed.
    bool setValue(std::string_view section, std::string_view key, std::string_view value);
    bool deleteKey(std::string_view section, std::string_view key);
    // Removes every section of that name with all its lines.
    bool deleteSection(std::string_view section);

private:
    enum class Kind { Blank, Section, Key };
    // A line with where its trimmed name and value lie, found once when the
    // line is made.
    struct Line {
        std::string content;
        std::string end; // "\r\n", "\n", or "" for a last line without one
        Kind kind = Kind::Blank;
        std::size_t nameAt = 0, nameSize = 0;
        std::size_t valueAt = 0, valueSize = 0;
        std::string_view name() const { return std::string_view(content).substr(nameAt, nameSize); }
        std::string_view value() const { return std::string_view(content).substr(valueAt, valueSize); }
    };
    static Line makeLine(std::string content, std::string end);
    // [first line after the header, end) of the first section named `section`.
    bool findSection(std::string_view section, std::size_t& begin, std::size_t& end) const;
    std::size_t sectionEnd(std::size_t from) const;
    // The first line in [begin, end) that holds `key`, else `end`.
    std::size_t findKey(std::size_t begin, std::size_t end, std::string_view key) const;
    void ensureLastLineEnds();

    std::vector<Line> lines_;
};

} // namespace kp::win
