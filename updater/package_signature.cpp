#include "updater/package_signature.h"

#include "updater/crypt_provider.h"
#include "updater/file_hash.h"
#include "updater/file_reading.h"
#include "updater/package_key.h"

#include <algorithm>
#include <utility>

namespace {

SignedPackage Refused(SignatureCheck check) {
    SignedPackage result;
    result.check = check;
    return result;
}

} // namespace

SignedPackage CheckPackageSignature(const std::string& packagePath) {
    UniqueHandle package = OpenForReadingOnly(packagePath);
    if (!package)
        return Refused(SignatureCheck::kPackageUnreadable);

    std::string signature;
    switch (ReadSmallFile(packagePath + ".sig", kSignatureFileLimit, signature)) {
    case SmallFileRead::kMissing:
        return Refused(SignatureCheck::kMissing);
    case SmallFileRead::kUnreadable:
        return Refused(SignatureCheck::kUnreadable);
    case SmallFileRead::kRead:
        if (signature.empty())
            return Refused(SignatureCheck::kUnreadable);
        break;
    }
    // openssl writes the signature as a big-endian number, CryptoAPI reads it
    // little-endian.
    std::reverse(signature.begin(), signature.end());

    // Without the provider nothing is verified, so nothing may start.
    const UniqueCryptProvider provider = AcquireRsaAesProvider();
    HCRYPTKEY imported = 0;
    if (!provider || !CryptImportKey(provider.get(), kPackageKeyBlob, static_cast<DWORD>(kPackageKeyBlobSize),
                                     0, 0, &imported))
        return Refused(SignatureCheck::kWrong);
    const UniqueCryptKey key(imported);
    const FileHash hash(provider.get(), package.get());
    if (!hash)
        return Refused(SignatureCheck::kPackageUnreadable);
    if (!CryptVerifySignature(hash.get(), reinterpret_cast<const BYTE*>(signature.data()),
                              static_cast<DWORD>(signature.size()), key.get(), nullptr, 0))
        return Refused(SignatureCheck::kWrong);

    SignedPackage result;
    result.check = SignatureCheck::kVerified;
    result.file = std::move(package);
    result.digest = hash.digest();
    return result;
}
