#pragma once
// The element names of the online service's records, each written once:
// the library builds and parses with these tables, zeva-client takes its
// options and prints its results from them, and the tests read them.

#include "eZEVAClientIntf.h"
#include "soapframe/Fields.h"

namespace zeva::eclientfields {

using soapframe::Field;
using soapframe::RecordPayload;

inline constexpr Field<S_BugInfo> kBugInfoFields[] = {
    {"OperatingSystem", &S_BugInfo::OperatingSystem},
    {"Cpu", &S_BugInfo::Cpu},
    {"Memory", &S_BugInfo::Memory},
    {"Version", &S_BugInfo::Version},
    {"ModuleName", &S_BugInfo::ModuleName},
    {"ModuleVer", &S_BugInfo::ModuleVer},
    {"FileName", &S_BugInfo::FileName},
    {"FunctionName", &S_BugInfo::FunctionName},
    {"LineNo", &S_BugInfo::LineNo},
    {"Description", &S_BugInfo::Description},
    {"Type", &S_BugInfo::Type},
    {"Ctime", &S_BugInfo::Ctime}};
// One crash record; the records stand one after another in <BugLogs>.
inline constexpr RecordPayload<S_BugInfo> kBugInfo{"BugInfo", "", kBugInfoFields};

inline constexpr Field<S_Service> kServiceFields[] = {{"Id", &S_Service::Id},
                                                      {"CityNo", &S_Service::CityNo},
                                                      {"Title", &S_Service::Title},
                                                      {"ServiceUrl", &S_Service::ServiceUrl},
                                                      {"UpdateUrl", &S_Service::UpdateUrl},
                                                      {"DemoUrl", &S_Service::DemoUrl},
                                                      {"Description", &S_Service::Description}};

}  // namespace zeva::eclientfields
