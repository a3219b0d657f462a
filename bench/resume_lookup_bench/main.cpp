// What opening a file costs in resume lookups when the settings hold many
// records with their fingerprints: a name with its own record, a new file
// (no print of its size), a renamed file (found by its print and moved), and
// writing a record (which reads the file's print afresh).
#include "player/ResumeRecords.h"
#include "settings/ClassPref3.h"
#include "util/FileFingerprint.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr qint64 MediaSize = 8 * 1024 * 1024;

void makeFile(const QString &name, char seed)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        std::abort();
    QByteArray block(1024 * 1024, seed);
    for (qint64 done = 0; done < MediaSize; done += block.size())
        file.write(block);
}

// Median of `runs` timings of `step` (set up afresh by `prepare`), in microseconds.
double median(int runs, const std::function<void()> &prepare, const std::function<void()> &step)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        step();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1000.0);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void fill(ClassPref3 &pref, int records)
{
    pref.ClearData();
    for (int i = 0; i < records; ++i) {
        const QString name = QStringLiteral("/media/archive/folder %1/episode %2.mkv").arg(i % 97).arg(i);
        pref.SaveSetting(ResumeSection, name, QStringLiteral("%1,%2").arg(i % 1500).arg(1500 + i));
        // Sizes that the files measured here never have.
        pref.SaveSetting(FingerprintSection, name,
                         QStringLiteral("%1,%2").arg(1000 + i).arg(QString(40, QLatin1Char('a'))));
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString played = dir.filePath("played.mkv");
    const QString renamed = dir.filePath("renamed.mkv");
    const QString fresh = dir.filePath("fresh.mkv");
    makeFile(played, 'p');
    makeFile(fresh, 'f');

    std::printf("fingerprint of an 8 MiB file (page cache): %.1f us\n",
                median(
                    51, [] {}, [&] { fileFingerprint(played); }));
    std::printf("%8s %14s %14s %14s %14s\n", "records", "own record", "new file", "renamed", "write");
    for (const int records : {40, 1000, 100000}) {
        ClassPref3 pref;
        const int runs = records > 10000 ? 7 : 51;
        const double own = median(
            runs,
            [&] {
                fill(pref, records);
                writeResumeRecord(pref, played, 30, 90);
            },
            [&] { findResumeRecord(pref, played); });
        const double none = median(
            runs, [&] { fill(pref, records); }, [&] { findResumeRecord(pref, fresh); });
        const double moved = median(
            runs,
            [&] {
                fill(pref, records);
                QFile::rename(renamed, played);
                writeResumeRecord(pref, played, 30, 90);
                QFile::rename(played, renamed);
            },
            [&] {
                if (!findResumeRecord(pref, renamed))
                    std::abort();
            });
        QFile::rename(renamed, played);
        const double write = median(
            runs, [&] { fill(pref, records); }, [&] { writeResumeRecord(pref, played, 31, 90); });
        std::printf("%8d %11.1f us %11.1f us %11.1f us %11.1f us\n", records, own, none, moved, write);
    }
    return 0;
}
