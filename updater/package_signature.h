// Whether a downloaded package is what the publisher signed. "<package>.sig"
// beside it holds the RSA PKCS#1 v1.5 signature over the package's SHA-256,
// as `openssl dgst -sha256 -sign` writes it, and is checked against the key
// compiled into the updater (updater/package_key.h).
#pragma once

#include "framework/handles.h"
#include "updater/sha256_text.h"

#include <cstddef>
#include <string>

// A 4096-bit signature has 512 bytes; a larger ".sig" is refused unread, so
// that a hostile answer stays out of memory.
constexpr size_t kSignatureFileLimit = 16 * 1024;

enum class SignatureCheck {
    kVerified,
    kPackageUnreadable, // the package cannot be opened with read sharing only, or read
    kMissing,           // there is no "<package>.sig"
    kUnreadable,        // the ".sig" cannot be read, is empty or larger than 16 KiB
    kWrong,             // not the key's signature over these bytes, or no provider to tell
};

struct SignedPackage {
    SignatureCheck check = SignatureCheck::kWrong;
    // Only when verified: the package, still open for reading with read
    // sharing only, so that nobody can change, replace or delete what was
    // checked. Keep it until the installer's process has been created.
    UniqueHandle file;
    // Only when verified: the SHA-256 of the verified bytes.
    Sha256Digest digest{};
};

// Opens the package, hashes it through that handle and verifies the
// signature. On any outcome but kVerified nothing is held open.
SignedPackage CheckPackageSignature(const std::string& packagePath);
