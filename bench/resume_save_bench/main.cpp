// What keeping the place while a file plays costs the GUI thread (one
// resume record written into a store of many remembered files, a snapshot
// of the store taken) and the worker (the file's bytes made, written),
// next to a whole synchronous save as the close step makes it.
#include "player/ResumeRecords.h"
#include "settings/ClassPref3.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace {

double medianMs(const std::function<void()> &work, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return median(times);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int records =
        argumentAfter(app.arguments(), QStringLiteral("--records"), QStringLiteral("100000")).toInt();
    const int runs = argumentAfter(app.arguments(), QStringLiteral("--runs"), QStringLiteral("15")).toInt();
    QTemporaryDir dir;
    ClassPref3 pref;
    pref.setFileName(dir.filePath(QStringLiteral("Kovaplex.ini")));
    pref.SaveSetting(QStringLiteral("Window"), QStringLiteral("Main.Left"), QStringLiteral("1200"));
    for (int i = 0; i < records; ++i)
        pref.SaveSetting(ResumeSection, QStringLiteral("/home/user/動画/録画 %1.mp4").arg(i),
                         resumeRecordText(i % 5000, 5400));
    pref.Save();

    const QString playing = QStringLiteral("/home/user/動画/録画 777.mp4");
    double at = 100;
    const double record = medianMs([&] { writeResumeRecord(pref, playing, at += 15, 5400); }, runs);
    std::optional<ClassPref3::SaveSnapshot> snapshot;
    const double taking = medianMs([&] { snapshot = pref.snapshotToSave(); }, runs);
    QByteArray bytes;
    const double making = medianMs([&] { bytes = snapshot->bytes(); }, runs);
    // A store while the worker still holds a snapshot copies the section
    // (the worker lets it go once the file is written).
    const double detaching = medianMs(
        [&] {
            snapshot = pref.snapshotToSave();
            writeResumeRecord(pref, playing, at += 15, 5400);
        },
        runs);
    const double write = medianMs([&] { ClassPref3::writeFile(pref.FileName(), bytes); }, runs);
    const double whole = medianMs([&] { pref.Save(); }, runs);
    std::printf("%d records, %.1f MiB file, median of %d runs\n", records,
                static_cast<double>(bytes.size()) / (1 << 20), runs);
    std::printf("GUI thread, per save while playing:\n");
    std::printf("  the record written in memory   %8.2f ms\n", record);
    std::printf("  the snapshot taken             %8.2f ms\n", taking);
    std::printf("  (a record written while a snapshot is still held: %.2f ms)\n", detaching);
    std::printf("worker, per save while playing:\n");
    std::printf("  the file's bytes made          %8.2f ms\n", making);
    std::printf("  written, synced, renamed       %8.2f ms\n", write);
    std::printf("the close step's synchronous save %7.2f ms\n", whole);
    return 0;
}
