// The package check a suite host can ask for: a "<package>.sha256" file
// beside the package names the SHA-256 digest the package must have.
#pragma once

#include "updater/sha256_text.h"

#include <optional>
#include <string>

enum class PackageCheck {
    kNoDigestFile, // the host gave no digest: nothing to check
    kMatch,
    kMismatch, // also: a digest file that cannot be read or understood
};

PackageCheck CheckPackageDigest(const std::string& packagePath);

// The same check for a package already hashed, for example by the signature
// check through the handle that keeps the package unchanged.
PackageCheck CheckPackageDigest(const std::string& packagePath, const Sha256Digest& packageDigest);

// The file's SHA-256 digest through the system's cryptography provider;
// nothing when the file cannot be read or the provider is missing.
std::optional<Sha256Digest> FileSha256(const std::string& path);
