// The RSA public key the publisher signs packages with, compiled in at build
// time (tools/package_key.py) as a CryptoAPI PUBLICKEYBLOB.
#pragma once

#include <cstddef>
#include <cstdint>

extern const uint8_t kPackageKeyBlob[];
extern const size_t kPackageKeyBlobSize;
