#pragma once

#include "eventhandler.h"

#include <vector>

namespace htmlayout {

// A named behaviour the host can attach to elements that ask for it.
struct behavior {
    const char* name;
    event_handler* handler;
};

// The program's named behaviours, the host's answer to HLN_ATTACH_BEHAVIOR.
// It registers none and this engine never sends that notice, so nothing is
// ever attached; the registry is kept on purpose as the place a behaviour of
// the program's own would be named.
class CBehaviorRegistry {
public:
    static std::vector<behavior>& list();
    static const behavior* find(const char* name);
};

}  // namespace htmlayout
