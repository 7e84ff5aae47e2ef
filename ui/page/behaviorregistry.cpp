#include "behaviorregistry.h"

#include <cstring>

namespace htmlayout {

std::vector<behavior>& CBehaviorRegistry::list()
{
    static std::vector<behavior> behaviors;
    return behaviors;
}

const behavior* CBehaviorRegistry::find(const char* name)
{
    if (!name)
        return nullptr;
    for (const behavior& b : list())
        if (std::strcmp(b.name, name) == 0)
            return &b;
    return nullptr;
}

}  // namespace htmlayout
