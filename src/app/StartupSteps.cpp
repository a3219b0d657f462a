#include "app/StartupSteps.h"

#include "settings/ClassPref3.h"
#include "util/FileNames.h"
#include "util/RuntimeError.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QTemporaryFile>

#include <cstdio>

const char *const DataFileName = "Kovaplex.ini";

bool isWritableFolder(const QString &dir)
{
    const QFileInfo info(dir);
    if (!info.isDir() || !info.isWritable())
        return false;
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".kovaplex-probe-XXXXXX")));
    return probe.open(); // removed when `probe` goes
}

bool isSystemProgramFolder(const QString &exeDir)
{
    // Through links, so that /bin on a merged /usr counts too.
    const QString canonical = QFileInfo(exeDir).canonicalFilePath();
    const QString path = QDir::cleanPath(canonical.isEmpty() ? exeDir : canonical);
    return path == QLatin1String("/usr") || path.startsWith(QLatin1String("/usr/"));
}

QString dataFilePath(const QString &exeDir, const QString &configRoot)
{
    const QString name = QString::fromLatin1(DataFileName);
    if (!isSystemProgramFolder(exeDir) && isWritableFolder(exeDir))
        return QDir(exeDir).filePath(name);
    const QString folder = QDir(configRoot).filePath(QStringLiteral("Kovaplex"));
    QDir().mkpath(folder);
    return QDir(folder).filePath(name);
}

bool loadSettingsOrReport(ClassPref3 &pref, const QString &fileName)
{
    pref.setFileName(fileName);
    try {
        return pref.Load();
    } catch (const RuntimeError &error) {
        std::fprintf(stderr,
                     "Kovaplex: cannot read the settings file %s (error %d: %s); starting with "
                     "default settings, and this run will not save over that file.\n",
                     qUtf8Printable(QDir::toNativeSeparators(fileName)), error.number(),
                     qUtf8Printable(error.description()));
        pref.ClearData();
        pref.setFileName(QString());
        return false;
    }
}

QString commandLineText(const QStringList &arguments)
{
    return arguments.mid(1).join(QLatin1Char(' '));
}

QStringList rawArguments(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << decodeFileName(QByteArray(argv[i])); // a name's bytes, UTF-8 or not
    return arguments;
}

QString absoluteCommandLine(const QString &commandLine, const QString &workingDir)
{
    const bool opening = commandLine.startsWith(QLatin1Char('"'));
    const bool closing = commandLine.size() > int(opening) && commandLine.endsWith(QLatin1Char('"'));
    const QString name = commandLine.mid(int(opening), commandLine.size() - int(opening) - int(closing));
    if (name.isEmpty() || QDir::isAbsolutePath(name) || name.contains(QLatin1String("://")))
        return commandLine;
    const QString quote = QStringLiteral("\"");
    return (opening ? quote : QString()) + absoluteFileName(name, workingDir) +
           (closing ? quote : QString());
}

QString preferredJapaneseFamily(const std::function<bool(const QString &)> &installed)
{
    static const char *const families[] = {"Noto Sans CJK JP", "IPAexGothic", "IPAGothic", "IPAPGothic"};
    for (const char *family : families) {
        const QString name = QString::fromLatin1(family);
        if (installed(name))
            return name;
    }
    return QString();
}

void applyJapaneseUiFont()
{
    const QString family =
        preferredJapaneseFamily([](const QString &name) { return QFontDatabase::hasFamily(name); });
    if (family.isEmpty())
        return;
    QFont font = QApplication::font();
    font.setFamilies({family});
    QApplication::setFont(font);
}
