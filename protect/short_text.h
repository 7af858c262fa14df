#pragma once
// A text of a few characters kept inside its owner, so that a list of many
// rows allocates nothing for its short columns. A longer text is cut at the
// capacity; callers keep to texts that fit.

#include <algorithm>
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

namespace kp {

template <std::size_t Capacity>
class ShortText {
    static_assert(Capacity < 256, "the length is kept in one byte");

public:
    ShortText() = default;
    ShortText(std::string_view text) { assign(text); }
    ShortText(const std::string& text) { assign(text); }
    ShortText(const char* text) { assign(text); }

    std::string_view view() const { return {text_, size_}; }
    operator std::string_view() const { return view(); }
    std::string str() const { return std::string(view()); }
    const char* data() const { return text_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear() { size_ = 0; }

    friend bool operator==(const ShortText& a, std::string_view b) { return a.view() == b; }
    friend std::ostream& operator<<(std::ostream& out, const ShortText& text) { return out << text.view(); }

private:
    void assign(std::string_view text)
    {
        size_ = static_cast<unsigned char>(std::min(text.size(), Capacity));
        std::copy_n(text.data(), size_, text_);
    }

    char text_[Capacity] = {};
    unsigned char size_ = 0;
};

} // namespace kp
