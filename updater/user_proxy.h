// The user's proxy setting, read through WinINet the way the system's own
// programs read it (per-user or per-machine, however Windows keeps it).
// Automatic configuration (a script, discovery) is not read.
#pragma once

#include "updater/proxy_rules.h"

// The setting of the LAN connection; switched off when it cannot be read.
ProxySetting ReadUserProxySetting();
