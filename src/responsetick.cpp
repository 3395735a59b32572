#include "responsetick.h"

namespace {
std::chrono::milliseconds currentTick = defaultResponseTick;
}

std::chrono::milliseconds responseTick()
{
    return currentTick;
}

void setResponseTickForTesting(std::chrono::milliseconds tick)
{
    currentTick = tick;
}
