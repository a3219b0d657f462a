#include "util/RuntimeLibrary.h"

#include <dlfcn.h>

RuntimeLibrary::RuntimeLibrary(const char *name)
    : m_handle(dlopen(name, RTLD_LAZY | RTLD_LOCAL))
{
    if (!m_handle)
        m_failure = dlerror();
}

void *RuntimeLibrary::address(const char *symbol)
{
    void *found = m_handle ? dlsym(m_handle, symbol) : nullptr;
    if (m_handle && !found && m_complete)
        m_failure = "it lacks " + QByteArray(symbol);
    m_complete = m_complete && found;
    return found;
}

void RuntimeLibrary::close()
{
    if (m_handle)
        dlclose(m_handle);
    m_handle = nullptr;
}
