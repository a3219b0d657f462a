#include "platform/mci/Mci.h"

#include <chrono>

int mciSendString(const char *, char *returnString, unsigned returnLength, void *)
{
    if (returnString && returnLength)
        returnString[0] = '\0';
    return 274;
}

bool mciGetErrorString(int, char *buffer, unsigned length)
{
    if (buffer && length)
        buffer[0] = '\0';
    return false;
}

unsigned timeGetTime()
{
    using namespace std::chrono;
    return static_cast<unsigned>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
