#pragma once
// Small text helpers shared by every layer.
#include <string>
#include <string_view>

namespace tessaly {

// The text with ASCII capitals made small; other bytes (UTF-8 included) are left alone, so the
// result never depends on the user's locale.
std::string lowercase(std::string_view text);

// The text without leading and trailing blanks and tabs.
std::string_view trimBlanks(std::string_view text);

}  // namespace tessaly
