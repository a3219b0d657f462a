#include "util/RuntimeLibrary.h"

#include <dlfcn.h>

RuntimeLibrary::RuntimeLibrary(const char *name, const std::vector<const char *> &dependencies)
{
    // Opened in one call, a library and everything it needs are bound
    // together: each symbol any of them lacks is looked up through all of
    // them in turn, and for a library that needs two hundred others that
    // lookup is nearly all of the opening. Opened one by one, leaves first,
    // each is bound among its own dependencies only, and the library itself
    // finds the rest already bound. Bound at once: a dependency that needs
    // what only a library outside its own list brings fails here, leaving
    // nothing behind, and comes with `name`, bound as it would be anyway.
    for (const char *dependency : dependencies) {
        if (void *handle = dlopen(dependency, RTLD_NOW | RTLD_LOCAL))
            m_dependencies.push_back(handle);
    }
    m_handle = dlopen(name, RTLD_LAZY | RTLD_LOCAL);
    if (!m_handle) {
        m_failure = dlerror();
        closeDependencies();
    }
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
    closeDependencies();
}

void RuntimeLibrary::closeDependencies()
{
    // Those that need others go first.
    while (!m_dependencies.empty()) {
        dlclose(m_dependencies.back());
        m_dependencies.pop_back();
    }
}
