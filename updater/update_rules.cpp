#include "updater/update_rules.h"

#include <algorithm>

uint32_t ProgressPercent(uint32_t done, uint32_t total) {
    if (total == 0)
        return 0;
    return static_cast<uint32_t>(uint64_t{done} * 100 / total);
}

std::string PackageFileName(const std::string& packagePath, LeadByteTest isLeadByte) {
    size_t lastSlash = std::string::npos;
    for (size_t i = 0; i < packagePath.size(); ++i) {
        const auto byte = static_cast<unsigned char>(packagePath[i]);
        if (isLeadByte(byte) && i + 1 < packagePath.size())
            ++i;
        else if (byte == '\\')
            lastSlash = i;
    }
    return lastSlash == std::string::npos ? packagePath : packagePath.substr(lastSlash + 1);
}

std::string SignatureUrl(const std::string& packageUrl) {
    const size_t pathEnd = std::min(packageUrl.find_first_of("?#"), packageUrl.size());
    return packageUrl.substr(0, pathEnd) + ".sig" + packageUrl.substr(pathEnd);
}
