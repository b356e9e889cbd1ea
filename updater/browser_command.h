// The command line that starts the registered browser on an address when the
// shell could not open it: the registry's open command cut at its "%1"
// placeholder, a blank, then the address. Windows-free.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Bytes the command line may take, its terminating zero included.
constexpr size_t kBrowserCommandCapacity = 520;

// The command line, or nothing when it would not fit the capacity: a cut
// address would open the wrong page.
std::optional<std::string> BuildBrowserCommand(std::string_view openCommand, std::string_view address);
