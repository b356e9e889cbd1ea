#include "updater/package_digest.h"

#include "updater/crypt_provider.h"
#include "updater/file_hash.h"
#include "updater/file_reading.h"

namespace {

// A digest file is one short line; anything longer is not one.
constexpr size_t kDigestFileLimit = 4096;

// The digest the host's file names; kUnreadable also for a text that names none.
SmallFileRead ReadExpectedDigest(const std::string& packagePath, Sha256Digest& expected) {
    std::string text;
    const SmallFileRead read = ReadSmallFile(packagePath + ".sha256", kDigestFileLimit, text);
    if (read == SmallFileRead::kRead && !ParseSha256Text(text, expected))
        return SmallFileRead::kUnreadable;
    return read;
}

PackageCheck Compare(SmallFileRead read, const Sha256Digest& expected,
                     const std::optional<Sha256Digest>& actual) {
    if (read == SmallFileRead::kMissing)
        return PackageCheck::kNoDigestFile;
    return read == SmallFileRead::kRead && actual && *actual == expected ? PackageCheck::kMatch
                                                                         : PackageCheck::kMismatch;
}

} // namespace

std::optional<Sha256Digest> FileSha256(const std::string& path) {
    const UniqueCryptProvider provider = AcquireRsaAesProvider();
    const UniqueHandle file = OpenForReadingOnly(path);
    if (!provider || !file)
        return std::nullopt;
    const FileHash hash(provider.get(), file.get());
    if (!hash)
        return std::nullopt;
    return hash.digest();
}

PackageCheck CheckPackageDigest(const std::string& packagePath, const Sha256Digest& packageDigest) {
    Sha256Digest expected{};
    const SmallFileRead read = ReadExpectedDigest(packagePath, expected);
    return Compare(read, expected, packageDigest);
}

PackageCheck CheckPackageDigest(const std::string& packagePath) {
    Sha256Digest expected{};
    const SmallFileRead read = ReadExpectedDigest(packagePath, expected);
    // Without a digest file the package is not hashed at all.
    return Compare(read, expected, read == SmallFileRead::kMissing ? std::nullopt : FileSha256(packagePath));
}
