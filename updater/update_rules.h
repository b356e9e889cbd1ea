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

// The file name of the package: what follows the last backslash of its path
// (the whole path without one). Backslash bytes inside two-byte characters
// do not count.
std::string PackageFileName(const std::string& packagePath, LeadByteTest isLeadByte);

// The address of a package's signature: ".sig" at the end of the path,
// before any query or fragment ("/p.exe?v=2" gives "/p.exe.sig?v=2").
std::string SignatureUrl(const std::string& packageUrl);
