// RAII owners for CryptoAPI handles, in the manner of framework/handles.h.
// Destroy keys and hashes before the provider they were made on.
#pragma once

#include "framework/handles.h"

#include <windows.h>
#include <wincrypt.h>

struct CryptProviderTraits {
    static HCRYPTPROV Invalid() { return 0; }
    static bool IsValid(HCRYPTPROV h) { return h != 0; }
    static void Close(HCRYPTPROV h) { CryptReleaseContext(h, 0); }
};
using UniqueCryptProvider = UniqueResource<HCRYPTPROV, CryptProviderTraits>;

struct CryptHashTraits {
    static HCRYPTHASH Invalid() { return 0; }
    static bool IsValid(HCRYPTHASH h) { return h != 0; }
    static void Close(HCRYPTHASH h) { CryptDestroyHash(h); }
};
using UniqueCryptHash = UniqueResource<HCRYPTHASH, CryptHashTraits>;

struct CryptKeyTraits {
    static HCRYPTKEY Invalid() { return 0; }
    static bool IsValid(HCRYPTKEY h) { return h != 0; }
    static void Close(HCRYPTKEY h) { CryptDestroyKey(h); }
};
using UniqueCryptKey = UniqueResource<HCRYPTKEY, CryptKeyTraits>;

// The system's provider of SHA-256 and RSA (PROV_RSA_AES), without a key
// container: public keys and hashes only.
inline UniqueCryptProvider AcquireRsaAesProvider() {
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        return UniqueCryptProvider();
    return UniqueCryptProvider(provider);
}
