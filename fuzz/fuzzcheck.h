#pragma once

#include <cstdlib>

// A broken promise is a finding: abort, so that libFuzzer keeps the input.
inline void Check(bool ok)
{
    if (!ok)
        std::abort();
}
