#include "download/http_parse.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HttpTime time = 0;
    if (!ParseHttpDate(std::string(reinterpret_cast<const char*>(data), size), time))
        return 0;
    if (time < 0)
        __builtin_trap(); // every date read lies in 1970..2038
    // What we write in If-Range reads back as the same second.
    HttpTime again = -1;
    if (!ParseHttpDate(FormatHttpDate(time), again) || again != time)
        __builtin_trap();
    return 0;
}
