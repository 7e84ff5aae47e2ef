#pragma once

#include "eventhandler.h"

#include <vector>

namespace htmlayout {

// A named behaviour the host can attach to elements that ask for it.
struct behavior {
    const char* name;
    event_handler* handler;
};

// The program's named behaviours. It registers none, so an attach request
// never finds one.
class CBehaviorRegistry {
public:
    static std::vector<behavior>& list();
    static const behavior* find(const char* name);
};

}  // namespace htmlayout
