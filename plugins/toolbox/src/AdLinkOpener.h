#pragma once
// Which links the advertisement strip hands to the desktop's handler (the
// page's link opener, PageServices.h): web addresses only.

#include <string>

namespace toolbox {

// An http or https address with a host, without blanks or control
// characters: a program path, "file:" or a command line is not one.
bool IsWebAddress(const std::string& link);

}  // namespace toolbox
