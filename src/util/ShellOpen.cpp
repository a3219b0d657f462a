#include "util/ShellOpen.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

namespace {

QString &launcherOverride()
{
    static QString program;
    return program;
}

/// "scheme:rest" with a scheme of two letters or more, so that a relative
/// path with a colon in a later segment is not mistaken for an address.
bool hasScheme(const QString &target)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(target).hasMatch();
}

/// The URL to open, or an invalid one when there is nothing to open: a
/// handler would only report a missing file after we had claimed success.
QUrl resolve(const QString &target)
{
    if (target.trimmed().isEmpty())
        return {};
    if (hasScheme(target)) {
        const QUrl url(target);
        if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
            return {};
        return url;
    }
    const QString path = QDir::current().absoluteFilePath(target);
    if (!QFileInfo::exists(path))
        return {};
    return QUrl::fromLocalFile(path);
}

} // namespace

bool ShellOpen(const QString &target)
{
    const QUrl url = resolve(target);
    if (!url.isValid())
        return false;
    const QString &launcher = launcherOverride();
    if (launcher.isEmpty())
        return QDesktopServices::openUrl(url);
    const QString argument = url.isLocalFile() ? url.toLocalFile() : url.toString();
    return QProcess::startDetached(launcher, {argument}, QDir::currentPath());
}

void setShellOpenLauncher(const QString &program)
{
    launcherOverride() = program;
}
