#include "updater/file_hash.h"

#include <vector>

namespace {

constexpr DWORD kReadChunk = 64 * 1024;

bool HashContents(HCRYPTHASH hash, HANDLE file) {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return false;
    std::vector<BYTE> chunk(kReadChunk);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk.data(), kReadChunk, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        if (!CryptHashData(hash, chunk.data(), got, 0))
            return false;
    }
}

} // namespace

FileHash::FileHash(HCRYPTPROV provider, HANDLE file) {
    HCRYPTHASH hash = 0;
    if (!provider || !CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash))
        return;
    UniqueCryptHash owner(hash);
    DWORD size = static_cast<DWORD>(m_digest.size());
    // Reading the value finishes the hash; it can still verify a signature.
    if (HashContents(hash, file) && CryptGetHashParam(hash, HP_HASHVAL, m_digest.data(), &size, 0) &&
        size == m_digest.size())
        m_hash = std::move(owner);
}
