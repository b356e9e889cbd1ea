#include "download/http_parse.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HttpTime time = 0;
    if (ParseHttpDate(std::string(reinterpret_cast<const char*>(data), size), time) && time < 0)
        __builtin_trap(); // every date read lies in 1970..2038
    return 0;
}
