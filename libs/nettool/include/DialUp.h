#pragma once
// Dial-up (PPP) connections of this computer: pppd's links, their peer
// names and the user names stored in the peer files.

#include <string>

enum DIAL_TYPE {
    DIAL_TYPE_ANY = 0,    // any dial-up link
    DIAL_TYPE_PPPOE = 1,  // PPP over Ethernet (broadband)
    DIAL_TYPE_MODEM = 2,  // PPP over a serial line
};

class CDialUp {
public:
    // `entryName` is the peer name (empty: found by GetActiveDialUp);
    // `phoneBook` the folder of the peer files (empty: /etc/ppp/peers).
    CDialUp(std::string entryName, std::string phoneBook);

    // Looks for a running PPP link of the given type. `active` tells whether
    // one is up on this computer; `name` is its peer name (the interface name
    // when pppd's command line does not tell). The object then refers to
    // that connection. 0, or -1 when the interface list cannot be read.
    static int GetActiveDialUp(CDialUp& dialUp, bool& active, std::string& name, DIAL_TYPE type);
    static int GetActiveDialUp(bool& active, std::string& name, DIAL_TYPE type);

    // The "user" option of the connection's peer file. 0, or -1 when none is stored.
    int GetStoredUserName(std::string& user) const;

    const std::string& GetEntryName() const { return entryName_; }
    const std::string& GetInterfaceName() const { return interface_; }

private:
    std::string entryName_;
    std::string phoneBook_;
    std::string interface_;
};
