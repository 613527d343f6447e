#include "byterange.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace demosite {

namespace {

std::optional<std::uint64_t> number(const std::string &text)
{
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string trimmed(const std::string &s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

} // namespace

ByteRange parseByteRange(const std::string &header, std::uint64_t size)
{
    const std::string value = trimmed(header);
    const std::string unit = "bytes=";
    if (value.compare(0, unit.size(), unit) != 0)
        return {};
    const std::string rangeText = trimmed(value.substr(unit.size()));
    const auto dash = rangeText.find('-');
    if (rangeText.find(',') != std::string::npos || dash == std::string::npos)
        return {}; // several ranges are allowed to be answered whole
    const std::string from = trimmed(rangeText.substr(0, dash));
    const std::string to = trimmed(rangeText.substr(dash + 1));

    ByteRange range;
    if (from.empty()) { // the last N bytes
        const auto suffix = number(to);
        if (!suffix)
            return {};
        if (*suffix == 0 || size == 0)
            return {ByteRange::Unsatisfiable};
        range.first = *suffix >= size ? 0 : size - *suffix;
        range.last = size - 1;
        range.kind = ByteRange::Part;
        return range;
    }
    const auto first = number(from);
    const auto last = to.empty() ? std::optional<std::uint64_t>(UINT64_MAX) : number(to);
    if (!first || !last || *last < *first)
        return {};
    if (*first >= size)
        return {ByteRange::Unsatisfiable};
    range.kind = ByteRange::Part;
    range.first = *first;
    range.last = std::min(*last, size - 1);
    return range;
}

} // namespace demosite
