// Reads every kind of SOCKS reply from arbitrary bytes; the first byte picks the kind.
#include "download/socks_packet.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int kind = SOCKS4_REPLY + data[0] % 5;
    size_t position = 1;
    const SocksByteSource next = [&]() -> int { return position < size ? data[position++] : 256; };
    SocksReply reply;
    if (SocksReadReply(next, reply, kind))
        SocksCheckReply(reply, kind);
    return 0;
}
