#include "platform/dde/PrevInstance.h"

namespace {
bool g_prevInstance = false;
}

bool PrevInstance()
{
    return g_prevInstance;
}

void setPrevInstance(bool running)
{
    g_prevInstance = running;
}
