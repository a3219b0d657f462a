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

DataFilePlace dataFilePlace(const QString &exeDir, const QString &configRoot)
{
    const QString name = QString::fromLatin1(DataFileName);
    const QString folder = QDir(configRoot).filePath(QStringLiteral("Kovaplex"));
    const QString inConfig = QDir(folder).filePath(name);
    if (!isSystemProgramFolder(exeDir)) {
        const QString beside = QDir(exeDir).filePath(name);
        if (isWritableFolder(exeDir))
            return {beside, beside};
        // The user's settings beside a program whose folder became
        // read-only are theirs still: read, and kept in the config folder
        // from the next save on, unless they were moved there already.
        const QFileInfo besideInfo(beside);
        if ((besideInfo.exists() || besideInfo.isSymLink()) && !QFileInfo(inConfig).exists()) {
            QDir().mkpath(folder);
            return {beside, inConfig};
        }
    }
    QDir().mkpath(folder);
    return {inConfig, inConfig};
}

QString dataFilePath(const QString &exeDir, const QString &configRoot)
{
    return dataFilePlace(exeDir, configRoot).savePath;
}

SettingsLoad loadSettings(ClassPref3 &pref, const DataFilePlace &place)
{
    SettingsLoad result;
    try {
        result.loaded = pref.Load(place.readPath);
    } catch (const SettingsFileError &error) {
        pref.ClearData();
        pref.setFileName(QString());
        result.notice = QStringLiteral("設定ファイルを読み込めませんでした。\r\n") +
                        QDir::toNativeSeparators(error.fileName()) + QStringLiteral("\r\n") + error.reason() +
                        QStringLiteral("\r\n\r\n既定の設定で起動します。このファイルは上書きせず、"
                                       "今回の設定と再生位置は保存しません。");
        return result;
    } catch (const RuntimeError &error) {
        pref.ClearData();
        pref.setFileName(QString());
        result.notice = QStringLiteral("設定ファイルを読み込めませんでした。\r\n") +
                        QDir::toNativeSeparators(place.readPath) + QStringLiteral("\r\n") +
                        error.description();
        return result;
    }
    pref.setFileName(place.savePath);
    if (place.moves())
        result.notice = QStringLiteral("プログラムのフォルダーに書き込めないため、設定を読み込んだ\r\n") +
                        QDir::toNativeSeparators(place.readPath) +
                        QStringLiteral("\r\nではなく、これからは次の場所に保存します。\r\n") +
                        QDir::toNativeSeparators(place.savePath);
    return result;
}

bool loadSettingsOrReport(ClassPref3 &pref, const QString &fileName)
{
    const SettingsLoad result = loadSettings(pref, {fileName, fileName});
    if (!result.notice.isEmpty())
        std::fprintf(stderr, "Kovaplex: %s\n", qUtf8Printable(result.notice));
    return result.loaded;
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
    return (opening ? quote : QString()) + absoluteFileName(name, workingDir) + (closing ? quote : QString());
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
