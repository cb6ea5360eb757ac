#pragma once
// CDlgAPNItem: one device row of the LAN check list: picture, name, MAC
// address, vendor, IP address and the "本机" marker of this computer.

#include "Controls.h"

class CDlgAPNItem : public CImageDialog {
public:
    CDlgAPNItem();

    void SetDevice(const std::string& ip, const std::string& mac, const std::string& vendor);
    void SetName(const std::string& name);
    void MarkOwnComputer();

    CStaticText m_mac;      // 13003
    CStaticText m_ip;       // 13004
    CStaticText m_name;     // 13006
    CStaticText m_vendor;   // 13005
    CStaticText m_marker;   // 13008
    CPNGPicture m_picture;  // 13015

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(zeva::MSG* msg) override;
};
