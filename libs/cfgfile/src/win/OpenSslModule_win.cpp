// OpenSSL linked statically into a DLL (a plug-in, a client library) would
// register its clean-up with the C runtime's process-wide exit list on first
// use; that list runs at the process's end, after the DLL may have been
// unloaded, and would call into nothing. Linked into such a DLL, this object
// tells OpenSSL not to, at load, and cleans it up when the DLL unloads.
#include <openssl/crypto.h>

namespace {

struct OpenSslOfThisModule {
    OpenSslOfThisModule() { OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr); }
    ~OpenSslOfThisModule() { OPENSSL_cleanup(); }
    OpenSslOfThisModule(const OpenSslOfThisModule&) = delete;
    OpenSslOfThisModule& operator=(const OpenSslOfThisModule&) = delete;
};

const OpenSslOfThisModule g_openssl;

}  // namespace
