#pragma once

#include <QByteArray>

#include <vector>

/// A shared library opened while the program runs rather than linked to it:
/// for one that only some files or a later step need. It is bound lazily and
/// kept in a symbol scope of its own, so what it brings never joins the
/// program's own scope. It stays loaded for the run unless close() lets go.
class RuntimeLibrary {
public:
    /// Opens `name`. `dependencies` are libraries it needs, best each after
    /// those it needs itself; they are opened one by one first, which only
    /// makes the opening faster (see the .cpp). A name that cannot be opened
    /// on its own is passed over: `name` brings it as it would without.
    explicit RuntimeLibrary(const char *name, const std::vector<const char *> &dependencies = {});

    /// Sets `function` to the library's function `symbol` (null when it has
    /// none, and isComplete() false from then on).
    template <typename Function> void resolve(const char *symbol, Function &function)
    {
        function = reinterpret_cast<Function>(address(symbol));
    }

    /// Opened, and every function resolved so far was there.
    bool isComplete() const { return m_handle && m_complete; }
    /// Why it is not complete, as the system said it (empty when it is).
    const QByteArray &failure() const { return m_failure; }
    /// Lets go of the library (one that lacked a function) and of the
    /// dependencies opened for it.
    void close();

private:
    void *address(const char *symbol);
    void closeDependencies();

    void *m_handle = nullptr;
    std::vector<void *> m_dependencies;
    QByteArray m_failure;
    bool m_complete = true;
};
