#include "platform/files/dos_wildcard.h"

#include <cstdint>
#include <vector>

namespace kp::win {

namespace {

// The mask as the file system sees it after Win32 has rewritten it: a '*'
// before a dot stops at the name's last dot, a dot before a wildcard or at
// the end may also match the end of the name, and '?' may match nothing at
// the end of a name part.
enum class Token : std::uint8_t { Star, StarToLastDot, OneOrEndOfPart, DotOrEnd, Literal };

struct Piece {
    Token kind;
    char literal;
};

std::vector<Piece> translate(std::string_view mask)
{
    std::vector<Piece> pieces;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        char c = mask[i];
        char next = i + 1 < mask.size() ? mask[i + 1] : '\0';
        if (c == '*')
            pieces.push_back({next == '.' ? Token::StarToLastDot : Token::Star, 0});
        else if (c == '?')
            pieces.push_back({Token::OneOrEndOfPart, 0});
        else if (c == '.' && (next == '*' || next == '?' || next == '\0'))
            pieces.push_back({Token::DotOrEnd, 0});
        else
            pieces.push_back({Token::Literal, c});
    }
    return pieces;
}

char fold(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

class Matcher {
public:
    Matcher(std::string_view name, std::vector<Piece> pieces)
        : name_(name)
        , pieces_(std::move(pieces))
        , lastDot_(name.rfind('.'))
        , memo_((name.size() + 1) * (pieces_.size() + 1), Unknown)
    {
    }

    bool match(std::size_t i, std::size_t j)
    {
        std::uint8_t& known = memo_[i * (pieces_.size() + 1) + j];
        if (known != Unknown)
            return known == Yes;
        bool result = compute(i, j);
        known = result ? Yes : No;
        return result;
    }

private:
    enum : std::uint8_t { Unknown, Yes, No };

    bool compute(std::size_t i, std::size_t j)
    {
        const std::size_t n = name_.size();
        if (j == pieces_.size())
            return i == n;
        const Piece& p = pieces_[j];
        switch (p.kind) {
        case Token::Star:
            for (std::size_t k = i; k <= n; ++k)
                if (match(k, j + 1))
                    return true;
            return false;
        case Token::StarToLastDot: {
            std::size_t limit = lastDot_ != std::string_view::npos && lastDot_ >= i ? lastDot_ : n;
            for (std::size_t k = i; k <= limit; ++k)
                if (match(k, j + 1))
                    return true;
            return false;
        }
        case Token::OneOrEndOfPart:
            if (i == n || name_[i] == '.')
                return match(i, j + 1);
            return match(i + 1, j + 1);
        case Token::DotOrEnd:
            if (i == n)
                return match(i, j + 1);
            return name_[i] == '.' && match(i + 1, j + 1);
        case Token::Literal:
            return i < n && fold(name_[i]) == fold(p.literal) && match(i + 1, j + 1);
        }
        return false;
    }

    std::string_view name_;
    std::vector<Piece> pieces_;
    std::size_t lastDot_;
    std::vector<std::uint8_t> memo_;
};

} // namespace

bool matchesDosMask(std::string_view name, std::string_view mask)
{
    if (mask.empty())
        return false;
    if (mask == "*" || mask == "*.*")
        return true; // every name, whatever its dots
    return Matcher(name, translate(mask)).match(0, 0);
}

bool hasWildcards(std::string_view text)
{
    return text.find_first_of("*?") != std::string_view::npos;
}

} // namespace kp::win
