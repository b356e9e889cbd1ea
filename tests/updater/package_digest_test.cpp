// The package check against real files, hashed by the system's provider.
#include "updater/package_digest.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>

namespace {

void WriteText(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class PackageDigestTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        package = std::string(temp) + "wxb_digest_" + std::to_string(GetCurrentProcessId()) + ".exe";
        WriteText(package, "abc");
    }
    void TearDown() override {
        DeleteFileA(package.c_str());
        DeleteFileA((package + ".sha256").c_str());
    }
    std::string package;
};

// SHA-256 of "abc".
const char kAbc[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

TEST_F(PackageDigestTest, HashesWithTheSystemProvider) {
    const auto digest = FileSha256(package);
    ASSERT_TRUE(digest.has_value());
    EXPECT_EQ(0xba, (*digest)[0]);
    EXPECT_EQ(0xad, (*digest)[31]);

    // Larger than one read: a million 'a' has a well-known digest.
    WriteText(package, std::string(1000000, 'a'));
    const auto million = FileSha256(package);
    ASSERT_TRUE(million.has_value());
    Sha256Digest expected{};
    ASSERT_TRUE(
        ParseSha256Text("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0", expected));
    EXPECT_EQ(expected, *million);

    EXPECT_FALSE(FileSha256(package + ".missing").has_value());
}

TEST_F(PackageDigestTest, WithoutDigestFileNothingIsChecked) {
    EXPECT_EQ(PackageCheck::kNoDigestFile, CheckPackageDigest(package));
    EXPECT_EQ(PackageCheck::kNoDigestFile, CheckPackageDigest(package, Sha256Digest{}));
}

TEST_F(PackageDigestTest, MatchingDigestInEitherCase) {
    WriteText(package + ".sha256", std::string(kAbc) + "  wxbry5.exe\n");
    EXPECT_EQ(PackageCheck::kMatch, CheckPackageDigest(package));
    std::string upper = kAbc;
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    WriteText(package + ".sha256", upper + "\r\n");
    EXPECT_EQ(PackageCheck::kMatch, CheckPackageDigest(package));
    // Against the digest of the bytes already hashed, not the file's.
    EXPECT_EQ(PackageCheck::kMatch, CheckPackageDigest(package, FileSha256(package).value()));
    WriteText(package, "abd");
    EXPECT_EQ(PackageCheck::kMismatch, CheckPackageDigest(package));
    Sha256Digest abc{};
    ASSERT_TRUE(ParseSha256Text(kAbc, abc));
    EXPECT_EQ(PackageCheck::kMatch, CheckPackageDigest(package, abc));
    abc[31] ^= 1;
    EXPECT_EQ(PackageCheck::kMismatch, CheckPackageDigest(package, abc));
}

TEST_F(PackageDigestTest, AnythingElseIsAMismatch) {
    std::string other = kAbc;
    other[63] = 'c';
    WriteText(package + ".sha256", other + "  wxbry5.exe\n");
    EXPECT_EQ(PackageCheck::kMismatch, CheckPackageDigest(package));
    WriteText(package + ".sha256", "not a digest\n");
    EXPECT_EQ(PackageCheck::kMismatch, CheckPackageDigest(package));
    WriteText(package + ".sha256", "");
    EXPECT_EQ(PackageCheck::kMismatch, CheckPackageDigest(package));
    WriteText(package + ".sha256", std::string(kAbc) + "  a\n" + std::string(5000, ' '));
    EXPECT_EQ(PackageCheck::kMismatch, CheckPackageDigest(package));
    // A digest but no package.
    WriteText(package + ".sha256", std::string(kAbc) + "\n");
    DeleteFileA(package.c_str());
    EXPECT_EQ(PackageCheck::kMismatch, CheckPackageDigest(package));
}

} // namespace
