// The SHA-256 of a file's bytes, hashed by the system's cryptography provider
// into a hash object that a signature can then be verified against.
#pragma once

#include "framework/handles.h"
#include "updater/sha256_text.h"

class FileHash {
public:
    // Hashes what file holds from its start to its end on provider. The hash
    // is empty when the provider cannot hash or the file cannot be read.
    FileHash(HCRYPTPROV provider, HANDLE file);

    explicit operator bool() const { return static_cast<bool>(m_hash); }
    HCRYPTHASH get() const { return m_hash.get(); }
    // The digest of a hash that is not empty.
    const Sha256Digest& digest() const { return m_digest; }

private:
    UniqueCryptHash m_hash;
    Sha256Digest m_digest{};
};
