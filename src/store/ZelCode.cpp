#include "ZelCode.h"

#include <limits>

namespace {

std::string_view trimmedBlanks(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

} // namespace

std::optional<long long> zelCodeValue(std::string_view text)
{
    return wholeNumberValue(trimmedBlanks(text));
}

std::optional<long long> wholeNumberValue(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    constexpr long long limit = std::numeric_limits<long long>::max() / 10 - 9;
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        if (value < limit)
            value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

std::optional<int> storedCountValue(std::string_view text)
{
    const std::optional<long long> value = wholeNumberValue(text);
    if (!value || *value < std::numeric_limits<int>::min() ||
        *value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(*value);
}

std::string zelCodeText(long long code)
{
    return std::to_string(code);
}

std::string canonicalZelCode(std::string_view text)
{
    const std::optional<long long> value = zelCodeValue(text);
    return value ? zelCodeText(*value) : std::string(text);
}
