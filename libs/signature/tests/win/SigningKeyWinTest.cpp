// The private key's file on Windows: only the current user is let in (Wine
// rebuilds the list from the file's Unix mode and adds SYSTEM, whom Windows
// lets in anyway), while a plain file lets everyone read, and Chinese folder
// names work.
#include <windows.h>

#include <aclapi.h>
#include <gtest/gtest.h>

#include <vector>

#include "SigningKey.h"
#include "TestSupport.h"

namespace {

std::vector<unsigned char> CurrentUserSid() {
    HANDLE token = nullptr;
    std::vector<unsigned char> user;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return user;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buf(size);
    if (GetTokenInformation(token, TokenUser, buf.data(), size, &size)) {
        PSID sid = reinterpret_cast<TOKEN_USER*>(buf.data())->User.Sid;
        const auto* bytes = static_cast<const unsigned char*>(sid);
        user.assign(bytes, bytes + GetLengthSid(sid));
    }
    CloseHandle(token);
    return user;
}

struct Access {
    bool user = false;    // the current user is allowed in
    bool others = false;  // anyone but the user and SYSTEM is
};

Access AllowedOn(const std::filesystem::path& path) {
    Access access;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        ADD_FAILURE() << "no access list";
        return access;
    }
    if (dacl == nullptr) access.others = true;  // no list: everyone may
    std::vector<unsigned char> user = CurrentUserSid();
    unsigned char system[SECURITY_MAX_SID_SIZE];
    DWORD systemSize = sizeof system;
    CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &systemSize);
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        if (!user.empty() && EqualSid(&allowed->SidStart, user.data())) {
            access.user = true;
        } else if (!EqualSid(&allowed->SidStart, system)) {
            access.others = true;
        }
    }
    LocalFree(descriptor);
    return access;
}

TEST(SigningKeyFileWin, SavedPrivateKeyAllowsOnlyTheCurrentUser) {
    zeva::test::TempDir dir;
    const auto path = dir.path() / L"\u53D1\u5E03" / L"release.key";  // 发布
    std::filesystem::create_directories(path.parent_path());
    zeva::SigningKey key;
    std::string error;
    ASSERT_EQ(key.Generate(error), 0) << error;
    ASSERT_EQ(key.Save(path, error), 0) << error;
    const Access access = AllowedOn(path);
    EXPECT_TRUE(access.user);
    EXPECT_FALSE(access.others);

    // The check tells the difference: a file made the ordinary way lets others read.
    zeva::test::WriteFile(dir.path() / L"plain.txt", "x");
    EXPECT_TRUE(AllowedOn(dir.path() / L"plain.txt").others);

    zeva::SigningKey loaded;
    ASSERT_EQ(loaded.Load(path, error), 0) << error;
    EXPECT_EQ(loaded.PublicKeyBase64(), key.PublicKeyBase64());
}

}  // namespace
