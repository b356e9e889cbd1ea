#include "updater/browser_command.h"

std::optional<std::string> BuildBrowserCommand(std::string_view openCommand, std::string_view address) {
    // A byte search is exact here: in every double-byte ANSI code page the
    // trail bytes lie at 0x40 and above, so '"', '%' and '1' only ever
    // stand for themselves.
    size_t cut = openCommand.find("\"%1\"");
    if (cut == std::string_view::npos)
        cut = openCommand.find("%1");
    std::string command(openCommand.substr(0, cut));
    command += ' ';
    command += address;
    if (command.size() + 1 > kBrowserCommandCapacity)
        return std::nullopt;
    return command;
}
