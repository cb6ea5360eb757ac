#pragma once
// The answers of the help window's topics 2 to 11, in the system code page.

#include <string>

namespace speedtest {

// The answer of `topic` (2-11); empty for other numbers.
std::string FaqAnswer(int topic);

}  // namespace speedtest
