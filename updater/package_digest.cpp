#include "updater/package_digest.h"

#include "framework/handles.h"

#include <windows.h>
#include <wincrypt.h>

#include <vector>

namespace {

// A digest file is one short line; anything longer is not one.
constexpr DWORD kDigestFileLimit = 4096;
constexpr DWORD kReadChunk = 64 * 1024;

class CryptProvider {
public:
    CryptProvider() {
        if (!CryptAcquireContextA(&m_hProv, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
            m_hProv = 0;
    }
    ~CryptProvider() {
        if (m_hProv)
            CryptReleaseContext(m_hProv, 0);
    }
    CryptProvider(const CryptProvider&) = delete;
    CryptProvider& operator=(const CryptProvider&) = delete;
    HCRYPTPROV get() const { return m_hProv; }

private:
    HCRYPTPROV m_hProv = 0;
};

class CryptHash {
public:
    explicit CryptHash(HCRYPTPROV hProv) {
        if (!hProv || !CryptCreateHash(hProv, CALG_SHA_256, 0, 0, &m_hHash))
            m_hHash = 0;
    }
    ~CryptHash() {
        if (m_hHash)
            CryptDestroyHash(m_hHash);
    }
    CryptHash(const CryptHash&) = delete;
    CryptHash& operator=(const CryptHash&) = delete;
    HCRYPTHASH get() const { return m_hHash; }

private:
    HCRYPTHASH m_hHash = 0;
};

UniqueHandle OpenForReading(const std::string& path) {
    return UniqueHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

std::optional<std::string> ReadDigestFile(const std::string& path) {
    UniqueHandle file = OpenForReading(path);
    if (!file)
        return std::nullopt;
    std::string text(kDigestFileLimit + 1, '\0');
    DWORD got = 0;
    if (!ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size()), &got, nullptr) ||
        got > kDigestFileLimit)
        return std::nullopt;
    text.resize(got);
    return text;
}

} // namespace

std::optional<Sha256Digest> FileSha256(const std::string& path) {
    CryptProvider provider;
    CryptHash hash(provider.get());
    UniqueHandle file = OpenForReading(path);
    if (!hash.get() || !file)
        return std::nullopt;
    std::vector<BYTE> chunk(kReadChunk);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), chunk.data(), kReadChunk, &got, nullptr))
            return std::nullopt;
        if (got == 0)
            break;
        if (!CryptHashData(hash.get(), chunk.data(), got, 0))
            return std::nullopt;
    }
    Sha256Digest digest{};
    DWORD size = static_cast<DWORD>(digest.size());
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, digest.data(), &size, 0) || size != digest.size())
        return std::nullopt;
    return digest;
}

PackageCheck CheckPackageDigest(const std::string& packagePath) {
    const std::string digestPath = packagePath + ".sha256";
    if (GetFileAttributesA(digestPath.c_str()) == INVALID_FILE_ATTRIBUTES &&
        (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND))
        return PackageCheck::kNoDigestFile;
    const std::optional<std::string> text = ReadDigestFile(digestPath);
    Sha256Digest expected{};
    if (!text || !ParseSha256Text(*text, expected))
        return PackageCheck::kMismatch;
    const std::optional<Sha256Digest> actual = FileSha256(packagePath);
    return actual && *actual == expected ? PackageCheck::kMatch : PackageCheck::kMismatch;
}
