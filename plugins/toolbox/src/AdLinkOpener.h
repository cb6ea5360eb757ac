#pragma once
// How the advertisement strip opens a link: through the desktop shell by
// default, through a fake in tests. Only web addresses are ever handed on.

#include <string>

namespace toolbox {

class IAdLinkOpener {
public:
    virtual ~IAdLinkOpener() = default;
    // Opens a web address; false when it could not be started.
    virtual bool Open(const std::string& url) = 0;
};

// The desktop's handler for web addresses.
class ShellLinkOpener : public IAdLinkOpener {
public:
    bool Open(const std::string& url) override;
};

// An http or https address with a host, without blanks or control
// characters: a program path, "file:" or a command line is not one.
bool IsWebAddress(const std::string& link);

}  // namespace toolbox
