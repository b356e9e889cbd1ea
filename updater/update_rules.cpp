#include "updater/update_rules.h"

uint32_t ProgressPercent(uint32_t done, uint32_t total) {
    if (total == 0)
        return 0;
    return static_cast<uint32_t>(uint64_t{done} * 100 / total);
}

std::string InstallerWorkingDirectory(const std::string& packagePath, LeadByteTest isLeadByte) {
    size_t lastSlash = std::string::npos;
    for (size_t i = 0; i < packagePath.size(); ++i) {
        const auto byte = static_cast<unsigned char>(packagePath[i]);
        if (isLeadByte(byte) && i + 1 < packagePath.size())
            ++i;
        else if (byte == '\\')
            lastSlash = i;
    }
    if (lastSlash == std::string::npos)
        return "\\";
    return packagePath.substr(0, lastSlash + 1);
}
