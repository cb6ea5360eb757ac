// The private key's file on Windows: CREATE_NEW so nothing is replaced, and
// a protected DACL naming only the current user, the counterpart of mode 0600.
#include <windows.h>

#include <sddl.h>

#include <memory>
#include <vector>

#include "KeyFile_p.h"

namespace zeva {

namespace {

std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = n > 0 ? std::wstring(text, n) : std::wstring();
    if (text != nullptr) LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' '))
        wide.pop_back();
    if (wide.empty()) return "error " + std::to_string(code);
    return PathText(std::filesystem::path(wide));
}

// "D:P(A;;FA;;;<user>)": full access for the current user, nothing inherited.
bool OwnerOnlyDescriptor(PSECURITY_DESCRIPTOR& descriptor) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buf(size);
    const bool got = size > 0 && GetTokenInformation(token, TokenUser, buf.data(), size, &size);
    CloseHandle(token);
    if (!got) return false;
    wchar_t* sid = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buf.data())->User.Sid, &sid))
        return false;
    const std::wstring sddl = L"D:P(A;;FA;;;" + std::wstring(sid) + L")";
    LocalFree(sid);
    return ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                &descriptor, nullptr) != 0;
}

}  // namespace

int WriteOwnerOnlyFile(const std::filesystem::path& path, const std::string& data,
                       std::string& error) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!OwnerOnlyDescriptor(descriptor)) {
        error = PathText(path) +
                ": cannot make an owner-only access list: " + SystemMessage(GetLastError());
        return -1;
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD openError = GetLastError();
    LocalFree(descriptor);
    if (file == INVALID_HANDLE_VALUE) {
        error = PathText(path) + ": " +
                (openError == ERROR_FILE_EXISTS || openError == ERROR_ALREADY_EXISTS
                     ? std::string("already exists, not overwritten")
                     : SystemMessage(openError));
        return -1;
    }
    bool ok = true;
    for (size_t done = 0; ok && done < data.size();) {
        DWORD n = 0;
        ok = WriteFile(file, data.data() + done, static_cast<DWORD>(data.size() - done), &n,
                       nullptr) != 0 &&
             n > 0;
        done += n;
    }
    ok = FlushFileBuffers(file) != 0 && ok;
    const DWORD writeError = GetLastError();
    ok = CloseHandle(file) != 0 && ok;
    if (!ok) {
        error = PathText(path) + ": cannot write: " + SystemMessage(writeError);
        DeleteFileW(path.c_str());
        return -1;
    }
    return 0;
}

}  // namespace zeva
