#include "util/RuntimeError.h"

#include <cstdio>

namespace {
QString composeWhat(int number, const QString &description)
{
    return QStringLiteral("Run-time error '%1': %2").arg(number).arg(description);
}
} // namespace

RuntimeError::RuntimeError(int number, const QString &description)
    : std::runtime_error(
          composeWhat(number, description.isEmpty() ? standardText(number) : description).toStdString())
    , m_number(number)
    , m_description(description.isEmpty() ? standardText(number) : description)
{}

QString RuntimeError::standardText(int number)
{
    switch (number) {
    case ErrNo::InvalidProcedureCall: return QStringLiteral("Invalid procedure call or argument");
    case ErrNo::Overflow: return QStringLiteral("Overflow");
    case ErrNo::OutOfMemory: return QStringLiteral("Out of memory");
    case ErrNo::SubscriptOutOfRange: return QStringLiteral("Subscript out of range");
    case ErrNo::DivisionByZero: return QStringLiteral("Division by zero");
    case ErrNo::TypeMismatch: return QStringLiteral("Type mismatch");
    case ErrNo::BadFileNameOrNumber: return QStringLiteral("Bad file name or number");
    case ErrNo::FileNotFound: return QStringLiteral("File not found");
    case ErrNo::DeviceIOError: return QStringLiteral("Device I/O error");
    case ErrNo::DiskFull: return QStringLiteral("Disk full");
    case ErrNo::PermissionDenied: return QStringLiteral("Permission denied");
    case ErrNo::PathFileAccessError: return QStringLiteral("Path/File access error");
    default: return QStringLiteral("Application-defined or object-defined error");
    }
}

void reportRuntimeError(const char *where, const std::exception &error)
{
    std::fprintf(stderr, "Kovaplex: %s: %s\n", where, error.what());
    std::fflush(stderr);
}
