#include "platform/forms/Diagnostics.h"

#include <QHash>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

// Captured during static initialisation, as close to exec as a library can
// get without reading /proc (whose start time has only 10 ms resolution).
const std::chrono::steady_clock::time_point g_programStart = std::chrono::steady_clock::now();

bool envIsOne(const char *name)
{
    const char *v = std::getenv(name);
    return v && std::strcmp(v, "1") == 0;
}

bool milestonesOn()
{
    static const bool on = envIsOne("KOVAPLEX_TRACE");
    return on;
}

bool valuesOn()
{
    static const bool on = envIsOne("KOVAPLEX_TRACE_VALUES");
    return on;
}

void writeLine(const QByteArray &line)
{
    // One write per line so lines from different threads never interleave.
    const QByteArray withNewline = line + '\n';
    std::fwrite(withNewline.constData(), 1, static_cast<size_t>(withNewline.size()), stderr);
    std::fflush(stderr);
}

QByteArray formatTraceLine(double ms, const char *name, const QString *value)
{
    QByteArray line = "[kovaplex +" + QByteArray::number(ms, 'f', 1) + "ms] " + QByteArray(name);
    if (value)
        line += ": " + value->toUtf8();
    return line;
}

} // namespace

double msSinceProgramStart()
{
    const auto elapsed = std::chrono::steady_clock::now() - g_programStart;
    return std::chrono::duration<double, std::milli>(elapsed).count();
}

void startupMilestone(const char *name)
{
    if (!milestonesOn())
        return;
    writeLine(formatTraceLine(msSinceProgramStart(), name, nullptr));
}

void traceValue(const char *name, const QString &value)
{
    if (!valuesOn())
        return;
    static std::mutex mutex;
    static QHash<QByteArray, QString> last;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        const QByteArray key(name);
        const auto it = last.constFind(key);
        if (it != last.constEnd() && *it == value)
            return;
        last.insert(key, value);
    }
    writeLine(formatTraceLine(msSinceProgramStart(), name, &value));
}
