// Any block contents: every text is read within its own field, never past
// it (the sanitizers watch the reads; the lengths are checked here).
#include "updater/update_block.h"

#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto block = std::make_unique<UpdateBlock>();
    std::memset(block.get(), 0, sizeof *block);
    std::memcpy(block.get(), data, size < sizeof *block ? size : sizeof *block);
    const UpdateOffer offer = ReadUpdateBlock(*block);
    if (offer.downloadUrl.size() > 260 || offer.hostReserved.size() > 260 || offer.packagePath.size() > 260 ||
        offer.releaseNotes.size() > 10240 || offer.stampFile.size() > 260 ||
        offer.stampSection.size() > 260 || offer.stampKey.size() > 260)
        std::abort();
    if (offer.downloadUrl.find('\0') != std::string::npos ||
        offer.releaseNotes.find('\0') != std::string::npos)
        std::abort();
    return 0;
}
