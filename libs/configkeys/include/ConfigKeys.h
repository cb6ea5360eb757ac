#pragma once
// The register of the settings files that the programs and plug-ins share:
// file names (relative to the application directory), sections, keys and
// the defaults their readers pass. ASCII names are constants; the Chinese
// ones are functions that hand them back in the system code page.

#include <string>

#include "platform/CodePage.h"

namespace zeva::cfgkeys {

// Files.
inline constexpr char kConfigDat[] = "Config.dat";
inline constexpr char kUserConfigDat[] = "UserConfig.dat";
inline constexpr char kUpdateRecordDat[] = "UpdateRecord.dat";
inline constexpr char kSpeedTestDat[] = "SpeedTest.dat";
inline constexpr char kUserDataDat[] = "UserData.dat";
inline constexpr char kAdDat[] = "ad.dat";
inline constexpr char kPlugConfigDat[] = "plug\\PlugConfig.dat";
inline constexpr char kProvincePlugConfigDat[] = "ProvincePlug\\ProvincePlugConfig.dat";
inline constexpr char kUpdateConfigIni[] = "UpdateConfig.ini";
inline constexpr char kPlugCatalogIni[] = "config.ini";
inline constexpr char kUpdateProgramDir[] = "UPDATE\\Program\\";
inline constexpr char kUpdateDir[] = "UPDATE\\";
inline constexpr char kPlugDir[] = "plug";
inline constexpr char kProvincePlugDir[] = "ProvincePlug";

// Config.dat
inline constexpr char kSectionUpdate[] = "Update";
inline constexpr char kKeyVersion[] = "Version";
inline constexpr char kKeyRegion[] = "Region";
inline constexpr char kKeyServerIP[] = "ServerIP";
inline constexpr char kKeyServerIP2[] = "ServerIP2";
inline constexpr char kKeyServerPort[] = "ServerPort";
inline constexpr char kKeyServerPort2[] = "ServerPort2";
// Base64 Ed25519 public key(s) the catalogs must be signed with ("KEY" or "OLD,NEW").
inline constexpr char kKeyPublicKey[] = "PublicKey";
inline constexpr int kDefaultServerPort = 0;
// With a key: the "SEQUENCE" of the catalog each job installed last, by job
// ("Program" for the main program, else the plug-in folder's name).
inline constexpr char kSectionCatalogSequence[] = "CatalogSequence";
inline constexpr char kKeyProgramJob[] = "Program";
inline constexpr char kSectionServer[] = "Server";
inline constexpr char kKeyWebSiteURL[] = "WebSiteURL";
inline constexpr char kKeyServiceURL[] = "ServiceURL";

// UserConfig.dat
inline constexpr char kKeyUseProxy[] = "UseProxy";
inline constexpr int kDefaultUseProxy = 1;
inline constexpr char kKeyUpdateServiceDir[] = "UpdateServiceDir";
inline constexpr char kSectionSpeedConfig[] = "SpeedConfig";
inline constexpr char kSectionWebTest[] = "WebTest";

// SpeedTest.dat
inline constexpr char kSectionArea[] = "Area";
inline std::string DefaultArea() {
    return Acp("未知");
}
inline constexpr char kSectionHttp[] = "Http";

// UserData.dat (the service client library's local result cache)
inline constexpr char kSectionUserInfo[] = "UserInfo";
inline constexpr char kKeyAccount[] = "Account";
inline constexpr char kKeyNetType[] = "NetType";
inline constexpr char kKeyCity[] = "City";

// UpdateRecord.dat: one section per update, named by its local date (silent
// run) or date and time (dialog run).
inline constexpr char kRecordDateFormat[] = "%Y-%m-%d";
inline constexpr char kRecordDateTimeFormat[] = "%Y-%m-%d %H:%M:%S";
inline constexpr char kKeyIsSucceed[] = "IsSucceed";
inline constexpr char kKeyNewVersion[] = "NewVersion";
inline constexpr char kKeyOldVersion[] = "OldVersion";

// UpdateConfig.ini and plug-in config.ini catalogs
inline constexpr char kSectionCatalogVersion[] = "Version";
inline constexpr char kKeyCatalogVersion[] = "VERSION";
inline constexpr char kKeyCatalogRegion[] = "REGION";
inline constexpr char kKeyUnconditionalUpdate[] = "UNCONDITIONALUPDATE";
inline constexpr char kKeyNotify[] = "NOTIFIY";
inline constexpr char kSectionFiles[] = "FILES";
inline constexpr char kKeyMD5[] = "MD5";
inline constexpr char kKeySHA256[] = "SHA256";
inline constexpr char kSignatureSuffix[] = ".sig";
// Signed catalogs: a number that grows with every signing, and the time (seconds
// since 1970, UTC) after which the catalog is refused. In "Version" of the main
// catalog and in every file's section of a plug-in catalog.
inline constexpr char kKeyCatalogSequence[] = "SEQUENCE";
inline constexpr char kKeyCatalogExpires[] = "EXPIRES";
inline constexpr char kKeySize[] = "SIZE";
inline constexpr char kKeyModifyTime[] = "MODIFYTIME";

// plug\PlugConfig.dat, ProvincePlug\ProvincePlugConfig.dat
inline std::string SectionPlugCatalog() {
    return Acp("功能大全细");
}
inline constexpr char kKeyPlugNum[] = "PlugNum";
inline constexpr char kKeyPlugModuleName[] = "PlugModuleName";
inline constexpr char kKeyNormalImage[] = "NormalImage";
inline constexpr char kKeySelectImage[] = "SelectImage";
inline constexpr char kKeyOverImage[] = "OverImage";
inline constexpr char kKeySummary[] = "Summary";
inline constexpr char kKeyToolTip[] = "ToolTip";
inline constexpr char kKeyUsage[] = "Usage";
inline constexpr char kKeyNoDestroy[] = "NoDestroy";
inline constexpr char kKeyShowMode[] = "ShowMode";

// ad.dat
inline constexpr char kKeyAdText[] = "AdText";
inline constexpr char kKeyAdLink[] = "AdLink";

}  // namespace zeva::cfgkeys
