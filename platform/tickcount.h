#pragma once

#include <cstdint>

// Milliseconds of a steady clock, wrapping at 2^32 like the system uptime
// counter the rate arithmetic was written for.
uint32_t GetTickCount();
