// Splits arbitrary URLs; whatever is accepted must make a clean request line.
#include "download/http_parse.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string host, object;
    uint16_t port = 0;
    if (!ParseUrl(std::string(reinterpret_cast<const char*>(data), size), host, object, port))
        return 0;
    if (host.empty() || object.empty() || object[0] != '/' || port == 0)
        __builtin_trap();
    for (char c : host + object) {
        if (static_cast<unsigned char>(c) <= ' ')
            __builtin_trap();
    }
    return 0;
}
