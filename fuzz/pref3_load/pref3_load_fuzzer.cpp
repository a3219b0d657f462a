// Loads arbitrary bytes as a settings file and saves the result. Besides
// crashes, hangs and leaks it checks that what Save writes settles: after
// one normalising round a load and save of the saved file changes nothing.
// It also takes the bytes as a file name: the key stored for it, escaped or
// not, must load back as exactly that name.
#include "settings/ClassPref3.h"
#include "settings/KeyEscape.h"
#include "util/RuntimeError.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

QTemporaryDir &workDir()
{
    // tmpfs keeps the synced writes of Save cheap.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/pref3_load_fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/pref3_load_fuzz-XXXXXX"));
    return dir;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray loadAndSave(ClassPref3 &pref, const QString &from, const QString &to)
{
    pref.Load(from);
    pref.setFileName(to);
    pref.Save();
    return readAll(to);
}

// A record stored under `name` is found under exactly that name after a
// save and a load.
void checkNameComesBack(const QString &name, const QString &path)
{
    if (name.isEmpty()) {
        return; // a nameless entry is data, not a key
    }
    if (unescapeKey(escapeKey(name)) != name) {
        std::abort();
    }
    ClassPref3 pref;
    pref.setFileName(path);
    pref.SaveSetting(QStringLiteral("Files"), name, QStringLiteral("1,2"));
    pref.Save();
    pref.Load();
    if (pref.Keys(QStringLiteral("Files")).toList() != QStringList{name} ||
        pref.GetSetting(QStringLiteral("Files"), name).toText() != QStringLiteral("1,2")) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QTemporaryDir &dir = workDir();
    if (!dir.isValid()) {
        std::abort();
    }
    const QString input = dir.filePath(QStringLiteral("input.ini"));
    const QString first = dir.filePath(QStringLiteral("first.ini"));
    const QString second = dir.filePath(QStringLiteral("second.ini"));
    const QString third = dir.filePath(QStringLiteral("third.ini"));
    {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::abort();
        }
        file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    }

    ClassPref3 pref;
    // Odd sizes exercise the header check as well.
    pref.setVersionCheck(size % 2 == 1);
    try {
        loadAndSave(pref, input, first);
        const QByteArray settled = loadAndSave(pref, first, second);
        if (loadAndSave(pref, second, third) != settled) {
            std::abort();
        }
        // The reading operations must cope with whatever the file left.
        for (std::int32_t slot = 0; slot < pref.Count(); ++slot) {
            const QString name = pref.GetSection(slot);
            QStringList keys;
            pref.GetSectionKeys(name, keys);
            for (const QString &key : pref.Keys(name).toList()) {
                pref.GetSetting(name, key);
                if (unescapeKey(escapeKey(key)) != key) {
                    std::abort();
                }
            }
            for (QString value = pref.GetData(name); !value.isEmpty(); value = pref.GetData()) {
            }
        }
        checkNameComesBack(
            QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)),
            dir.filePath(QStringLiteral("name.ini")));
    } catch (const RuntimeError &) {
        // A file error on the work folder would be a broken machine.
        std::abort();
    }
    return 0;
}
