// The signature check on arbitrary key texts, signature files and catalogs.
//
// Input layout: one byte n, n bytes of "PublicKey" text, one byte m, m bytes
// of ".sig" content, the rest is the catalog. Besides the fuzzed keys, one
// real key checks that nothing but its own signature ever verifies.

#include <cstddef>
#include <cstdint>
#include <string>

#include "Base64.h"
#include "SignatureVerifier.h"
#include "SigningKey.h"

namespace {

std::string Take(const std::uint8_t*& data, std::size_t& size) {
    if (size == 0) return {};
    const std::size_t n = std::min<std::size_t>(data[0], size - 1);
    std::string out(reinterpret_cast<const char*>(data + 1), n);
    data += n + 1;
    size -= n + 1;
    return out;
}

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static zeva::SigningKey key;
    static std::string error;
    static const bool ready = key.Generate(error) == 0;
    Check(ready);

    const std::string keys = Take(data, size);
    const std::string signature = Take(data, size);
    const std::string catalog(reinterpret_cast<const char*>(data), size);

    std::string bytes;
    if (zeva::Base64Decode(signature, bytes)) {
        Check(zeva::Base64Encode(bytes).size() <= signature.size());
    }
    zeva::SignatureVerifier fuzzed;
    if (fuzzed.SetPublicKeys(keys, error) == 0) {
        Check(fuzzed.KeyCount() >= 1);
        (void)fuzzed.Verify(catalog, signature, error);
    } else {
        Check(fuzzed.KeyCount() == 0 && fuzzed.Verify(catalog, signature, error) == -1);
    }

    zeva::SignatureVerifier real;
    Check(real.SetPublicKeys(key.PublicKeyBase64(), error) == 0);
    // A forged signature over the fuzzed catalog never verifies; the key's own does.
    Check(real.Verify(catalog, signature, error) == -1);
    std::string own;
    Check(key.Sign(catalog, own, error) == 0);
    Check(real.Verify(catalog, own, error) == 0);
    return 0;
}
