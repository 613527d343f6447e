#pragma once

#include <string>
#include <string_view>

namespace demosite {

// Percent-encodes every byte except A-Z a-z 0-9 - _ . ~ (so "|" becomes %7C, "%" becomes %25).
std::string percentEncode(std::string_view text);

// Escapes & < > and " for HTML text and attribute values.
std::string htmlEscape(std::string_view text);

} // namespace demosite
