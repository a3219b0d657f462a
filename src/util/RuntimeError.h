#pragma once

#include <QString>

#include <stdexcept>

/// Error numbers of the forms runtime that this program raises or reports.
namespace ErrNo {
constexpr int InvalidProcedureCall = 5;
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int SubscriptOutOfRange = 9;
constexpr int DivisionByZero = 11;
constexpr int TypeMismatch = 13;
constexpr int BadFileNameOrNumber = 52;
constexpr int FileNotFound = 53;
constexpr int DeviceIOError = 57;
constexpr int DiskFull = 61;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccessError = 75;
} // namespace ErrNo

/// A runtime error as the forms runtime raises it: a number and a description.
///
/// It ends the event handler that raised it and nothing more: every event
/// boundary catches it with runGuarded() and reports it on stderr.
class RuntimeError : public std::runtime_error {
public:
    /// An empty description takes the runtime's standard text for the number.
    explicit RuntimeError(int number, const QString &description = {});

    int number() const { return m_number; }
    QString description() const { return m_description; }

    /// The runtime's standard text for an error number ("Overflow", ...).
    static QString standardText(int number);

private:
    int m_number;
    QString m_description;
};

/// Reports an error that ended an event handler on stderr.
/// `where` names the handler ("BtState_Click", "Timer1_Timer", ...).
void reportRuntimeError(const char *where, const std::exception &error);

/// Runs one event handler. A runtime error (or any other exception) ends that
/// handler only: it is reported on stderr and the program goes on.
/// Returns false when the handler ended with an error.
template <typename Handler> bool runGuarded(const char *where, Handler &&handler) noexcept
{
    try {
        handler();
        return true;
    } catch (const std::exception &error) {
        reportRuntimeError(where, error);
    } catch (...) {
        reportRuntimeError(where, std::runtime_error("unknown exception"));
    }
    return false;
}
