#pragma once

#include "base/SettingsValues.h"

// Our own transfers go through the proxy chosen in Preferences: the system's (as the desktop or
// the environment names it), none, or a manual HTTP or SOCKS5 proxy. It holds for every transfer
// started from then on.
namespace ApplicationProxy {

void Apply(const Settings::Proxy &proxy);

} // namespace ApplicationProxy
