// The signature check on real packages signed by openssl at test time
// (sign_package.sh): by the build's key pair and by a second key.
#include "updater/package_signature.h"

#include "tests/harness/temp_folder.h"
#include "tests/harness/wait_until.h"
#include "updater/installer_copy.h"
#include "updater/installer_start.h"
#include "updater/package_digest.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>

namespace {

// package.exe (a copy of the command recorder), package.exe.sig and other_key.sig.
const std::string kSignedFiles = WXB_SIGNED_FILES;

std::string SignedFile(const std::string& name) {
    return harness::ReadWholeFile(kSignedFiles + name);
}

UniqueHandle OpenForWriting(const std::string& path, DWORD share) {
    return UniqueHandle(CreateFileA(path.c_str(), GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

std::string Resized(std::string bytes, size_t size) {
    bytes.resize(size, '\0');
    return bytes;
}

enum class Spoil {
    kNothing,
    kFlipPackageByte,
    kDeletePackage,
    kLockPackage,
    kDeleteSignature,
    kLockSignature
};

// What the spoil holds open stays open during the check.
UniqueHandle Apply(Spoil spoil, const harness::TempFolder& folder) {
    switch (spoil) {
    case Spoil::kNothing:
        break;
    case Spoil::kFlipPackageByte: {
        std::string package = folder.Read("package.exe");
        package[package.size() / 2] ^= 0x01;
        folder.Write("package.exe", package);
        break;
    }
    case Spoil::kDeletePackage:
        DeleteFileA(folder.Path("package.exe").c_str());
        break;
    case Spoil::kLockPackage:
        return OpenForWriting(folder.Path("package.exe"), FILE_SHARE_READ);
    case Spoil::kDeleteSignature:
        DeleteFileA(folder.Path("package.exe.sig").c_str());
        break;
    case Spoil::kLockSignature:
        return OpenForWriting(folder.Path("package.exe.sig"), 0);
    }
    return UniqueHandle();
}

TEST(PackageSignatureTest, OnlyTheBuildKeysSignatureOverTheWholePackagePasses) {
    const std::string signature = SignedFile("package.exe.sig");
    const std::string reversed(signature.rbegin(), signature.rend());
    const struct {
        const char* what;
        Spoil spoil;
        std::optional<std::string> signature; // written over the build key's
        SignatureCheck expected;
    } cases[] = {
        {"as signed", Spoil::kNothing, std::nullopt, SignatureCheck::kVerified},
        {"one byte of the package flipped", Spoil::kFlipPackageByte, std::nullopt, SignatureCheck::kWrong},
        {"signed by another key", Spoil::kNothing, SignedFile("other_key.sig"), SignatureCheck::kWrong},
        {"in the byte order CryptoAPI reads", Spoil::kNothing, reversed, SignatureCheck::kWrong},
        {"one byte short", Spoil::kNothing, signature.substr(1), SignatureCheck::kWrong},
        {"padded to 16 KiB", Spoil::kNothing, Resized(signature, 16 * 1024), SignatureCheck::kWrong},
        {"no signature", Spoil::kDeleteSignature, std::nullopt, SignatureCheck::kMissing},
        {"empty signature", Spoil::kNothing, "", SignatureCheck::kUnreadable},
        {"padded to 16 KiB and one byte", Spoil::kNothing, Resized(signature, 16 * 1024 + 1),
         SignatureCheck::kUnreadable},
        {"20 KiB", Spoil::kNothing, std::string(20 * 1024, 'x'), SignatureCheck::kUnreadable},
        {"signature held by a writer sharing nothing", Spoil::kLockSignature, std::nullopt,
         SignatureCheck::kUnreadable},
        {"no package", Spoil::kDeletePackage, std::nullopt, SignatureCheck::kPackageUnreadable},
        {"package held by a writer sharing it with readers", Spoil::kLockPackage, std::nullopt,
         SignatureCheck::kPackageUnreadable},
    };
    for (const auto& c : cases) {
        harness::TempFolder folder;
        ASSERT_TRUE(folder.CopyIn(kSignedFiles + "package.exe") &&
                    folder.CopyIn(kSignedFiles + "package.exe.sig"));
        if (c.signature) {
            ASSERT_TRUE(folder.Write("package.exe.sig", *c.signature)) << c.what;
        }
        UniqueHandle held = Apply(c.spoil, folder);
        const std::string package = folder.Path("package.exe");
        const SignedPackage result = CheckPackageSignature(package);
        EXPECT_EQ(c.expected, result.check) << c.what;
        const bool verified = c.expected == SignatureCheck::kVerified;
        EXPECT_EQ(verified, static_cast<bool>(result.file)) << c.what;
        if (verified) {
            EXPECT_EQ(FileSha256(package), result.digest) << c.what;
        }
        // A refused package is held by nobody, so the caller can delete it.
        held.reset();
        if (folder.Exists("package.exe")) {
            EXPECT_EQ(!verified, DeleteFileA(package.c_str()) != FALSE) << c.what;
        }
    }
}

TEST(PackageSignatureTest, WhatWasCheckedIsWhatStarts) {
    harness::TempFolder folder;
    ASSERT_TRUE(folder.CopyIn(kSignedFiles + "package.exe") &&
                folder.CopyIn(kSignedFiles + "package.exe.sig"));
    const std::string package = folder.Path("package.exe");
    SignedPackage result = CheckPackageSignature(package);
    ASSERT_EQ(SignatureCheck::kVerified, result.check);

    const auto openForWriting = [](const std::string& path) {
        return static_cast<bool>(
            OpenForWriting(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
    };
    EXPECT_FALSE(openForWriting(package));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    EXPECT_FALSE(MoveFileA(package.c_str(), folder.Path("moved.exe").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    // Readers may: the ".sha256" check can still hash it by name.
    EXPECT_TRUE(FileSha256(package).has_value());

    // The installer starts from a copy made through the held handle, directly
    // and through the shell; a copy that is not what was verified is none.
    Sha256Digest other = result.digest;
    other[0] ^= 1;
    std::optional<CInstallerCopy> copy(std::in_place);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), copy->Make(result.file.get(), other, "package.exe"));
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), copy->Make(result.file.get(), result.digest, "package.exe"));
    const std::string record = folder.Path("started.txt");
    ASSERT_TRUE(SetEnvironmentVariableA("WXB_RECORD_FILE", record.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), StartInstaller(copy->Path(), copy->Folder(), nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              StartInstallerThroughShell(copy->Path(), copy->Folder(), nullptr));
    const auto starts = [&] {
        const std::string lines = harness::ReadWholeFile(record);
        return std::count(lines.begin(), lines.end(), '\n');
    };
    EXPECT_TRUE(harness::WaitUntil([&] { return starts() == 2; }, 10000)) << starts();

    // Writable again once released and the installers have ended; the copy's
    // folder goes at the updater's next start.
    result.file.reset();
    EXPECT_TRUE(harness::WaitUntil([&] { return openForWriting(package); }, 10000));
    const std::wstring copied = copy->Path();
    copy.reset();
    EXPECT_TRUE(harness::WaitUntil(
        [&] {
            CInstallerCopy::RemoveEarlierFolders();
            return GetFileAttributesW(copied.c_str()) == INVALID_FILE_ATTRIBUTES;
        },
        10000));
}

} // namespace
