// Reading the ".sha256" file a suite host may put beside the package: the
// line sha256sum writes, "<64 hex digits>[<blanks><file name>][<line end>]".
// Windows-free, so it is fuzzed and tested natively.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

using Sha256Digest = std::array<uint8_t, 32>;

// The digest the text names; false for anything but exactly one such line
// (hex digits in either case, blanks being spaces or tabs, the line end "\n"
// or "\r\n").
bool ParseSha256Text(std::string_view text, Sha256Digest& digest);
