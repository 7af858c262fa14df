#pragma once
// The command-line keywords. A keyword is present when an argument equals it,
// letter case aside; no "/" or "-" is stripped or required. `data` carries a
// value: the argument "data=<value>" yields the value, upper-cased.

#include <string>
#include <string_view>
#include <vector>

namespace kp {

class Keywords {
public:
    Keywords() = default;
    // `arguments` excludes the program path.
    explicit Keywords(std::vector<std::string> arguments);
    static Keywords fromMain(int argc, char** argv);

    bool IsKeywordPresent(std::string_view keyword) const;
    std::string KeywordValue(std::string_view keyword) const;

    const std::vector<std::string>& arguments() const { return arguments_; }

private:
    std::vector<std::string> arguments_;
};

} // namespace kp
