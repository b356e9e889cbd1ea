// Small Windows-free rules of the update flow.
#pragma once

#include <cstdint>
#include <string>

// done × 100 ÷ total rounded down, in 64 bits so large files cannot
// overflow; 0 while the total is unknown (0).
uint32_t ProgressPercent(uint32_t done, uint32_t total);

// Whether a byte starts a two-byte character in the ANSI code page of the
// path (IsDBCSLeadByte on Windows).
using LeadByteTest = bool (*)(unsigned char);

// The installer's working directory: the package's directory with one
// trailing backslash ("\" for a path without one). Backslash bytes inside
// two-byte characters do not count.
std::string InstallerWorkingDirectory(const std::string& packagePath, LeadByteTest isLeadByte);
