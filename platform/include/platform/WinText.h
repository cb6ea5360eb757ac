#pragma once
// UTF-8 and UTF-16 for the Windows halves of every component (built on
// Windows only): the portable code keeps UTF-8, Windows' calls take UTF-16.

#include <string>
#include <string_view>

namespace zeva::win {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace zeva::win
