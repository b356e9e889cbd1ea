// The cryptography provider the updater checks packages with. Its owner,
// and those of hashes and keys, are in framework/handles.h.
#pragma once

#include "framework/handles.h"

// The system's provider of SHA-256 and RSA (PROV_RSA_AES), without a key
// container: public keys and hashes only.
inline UniqueCryptProvider AcquireRsaAesProvider() {
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        return UniqueCryptProvider();
    return UniqueCryptProvider(provider);
}
