// Any text either gives a digest whose hex form starts the text, or is
// refused without touching the digest.
#include "updater/sha256_text.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Sha256Digest digest;
    digest.fill(0xA5);
    if (!ParseSha256Text(text, digest)) {
        for (uint8_t byte : digest)
            if (byte != 0xA5)
                std::abort();
        return 0;
    }
    for (size_t i = 0; i < digest.size(); ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", digest[i]);
        for (size_t k = 0; k < 2; ++k)
            if (hex[k] != std::tolower(static_cast<unsigned char>(text[2 * i + k])))
                std::abort();
    }
    return 0;
}
