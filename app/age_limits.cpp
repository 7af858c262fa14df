#include "app/age_limits.h"

#include <charconv>
#include <string_view>

namespace kp {

namespace {
constexpr std::string_view kRetry = "Please correct and retry.";
} // namespace

std::optional<int> parseAgeField(const std::string& text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ')
        --end;
    if (begin == end)
        return 0;
    const char* first = text.data() + begin;
    const char* last = text.data() + end;
    if (*first == '+')
        ++first;
    int value = 0;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last || first == last)
        return std::nullopt;
    return value;
}

std::optional<std::string> validateAgeGroup(const AgeFields& fields, const char* groupName, AgeLimit& out)
{
    const std::string head = std::string("The Time Since Last Access is not valid \r\nfor \"") + groupName + "\".\r\n";
    const std::optional<int> days = parseAgeField(fields.days);
    const std::optional<int> hours = parseAgeField(fields.hours);
    const std::optional<int> minutes = parseAgeField(fields.minutes);
    if (!days || !hours || !minutes)
        return head + "The value must be a whole number.\r\n" + std::string(kRetry);
    if (*hours >= 24 || *minutes >= 60)
        return head + "You have Exceeded 23 Hours or 59 Mins.\r\n" + std::string(kRetry);
    out = {*days, *hours, *minutes};
    return std::nullopt;
}

std::string ageProblemReportLine(const std::string& message)
{
    std::string line = " -Error-";
    std::size_t start = 0;
    while (start <= message.size()) {
        std::size_t end = message.find("\r\n", start);
        if (end == std::string::npos)
            end = message.size();
        std::string_view sentence = std::string_view(message).substr(start, end - start);
        while (!sentence.empty() && sentence.back() == ' ')
            sentence.remove_suffix(1);
        if (!sentence.empty() && sentence != kRetry)
            line.append(" ").append(sentence);
        start = end + 2;
    }
    return line;
}

} // namespace kp
