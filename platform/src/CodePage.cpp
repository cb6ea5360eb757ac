#include "platform/CodePage.h"

#include "CodePage_p.h"

namespace zeva {

std::string AcpToUtf8(std::string_view acp) {
    // Even an identity conversion validates: invalid UTF-8 input becomes '?'.
    return Convert(acp, AcpName(), "UTF-8");
}

std::string Utf8ToAcp(std::string_view utf8) {
    return Convert(utf8, "UTF-8", AcpName());
}

bool AcpToUtf8Checked(std::string_view acp, std::string& utf8, std::string* error) {
    return ConvertChecked(acp, AcpName(), "UTF-8", utf8, error);
}

bool Utf8ToAcpChecked(std::string_view utf8, std::string& acp, std::string* error) {
    return ConvertChecked(utf8, "UTF-8", AcpName(), acp, error);
}

}  // namespace zeva
