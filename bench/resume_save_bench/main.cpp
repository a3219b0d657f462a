// What keeping the place while a file plays costs the GUI thread: one
// resume record written into a store of many remembered files, the file's
// bytes taken, and the write itself (which the player does on a worker),
// next to a whole synchronous save as the close step makes it.
#include "player/ResumeRecords.h"
#include "settings/ClassPref3.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
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
    QByteArray bytes;
    const double snapshot = medianMs(
        [&] {
            writeResumeRecord(pref, playing, at += 15, 5400);
            bytes = pref.contentToSave().value_or(QByteArray());
        },
        runs);
    const double write = medianMs([&] { ClassPref3::writeFile(pref.FileName(), bytes); }, runs);
    const double whole = medianMs([&] { pref.Save(); }, runs);
    std::printf("%d records, %.1f MiB file, median of %d runs\n", records,
                static_cast<double>(bytes.size()) / (1 << 20), runs);
    std::printf("GUI thread per periodic save (record + bytes): %8.2f ms\n", snapshot);
    std::printf("worker per periodic save (write, fsync, rename): %6.2f ms\n", write);
    std::printf("whole synchronous save (the close step):        %6.2f ms\n", whole);
    return 0;
}
