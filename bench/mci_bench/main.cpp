// How much the MCI layer costs on top of libmpv.
//
//   open: "open <file> alias b" through the first "status b length", against
//         a bare libmpv core (create, initialise, loadfile, wait for
//         FILE_LOADED, read the duration) loading the same file in the same run.
//   status: one "status b position" against reading time-pos from a bare core.
//
// Usage: mci_bench [media folder]   (default: $KOVAPLEX_TEST_MEDIA)
#include "BenchSupport.h"
#include "platform/mci/Mci.h"

#include <mpv/client.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <vector>

namespace {

constexpr int kOpenRuns = 21;
constexpr int kStatusBatches = 51;
constexpr int kStatusPerBatch = 200;

/// A bare core set up as the engine sets up its own (no scripts, no
/// bindings), the way a device plays before it has a window: no video
/// output, kept open, paused.
mpv_handle *bareCore()
{
    mpv_handle *h = mpv_create();
    if (!h)
        return nullptr;
    for (const auto &[name, value] : {std::pair{"config", "no"},
                                      {"terminal", "no"},
                                      {"idle", "yes"},
                                      {"keep-open", "yes"},
                                      {"pause", "yes"},
                                      {"vid", "no"},
                                      {"ytdl", "no"},
                                      {"osc", "no"},
                                      {"input-default-bindings", "no"},
                                      {"hwdec", "auto-safe"},
                                      {"vo", "libmpv"},
                                      {"audio-fallback-to-null", "yes"},
                                      {"load-stats-overlay", "no"},
                                      {"load-osd-console", "no"},
                                      {"load-auto-profiles", "no"},
                                      {"input-builtin-bindings", "no"},
                                      {"input-vo-keyboard", "no"},
                                      {"osd-level", "0"}})
        mpv_set_option_string(h, name, value);
    if (mpv_initialize(h) < 0) {
        mpv_terminate_destroy(h);
        return nullptr;
    }
    return h;
}

/// Milliseconds from mpv_create to a known duration; <0 on failure.
double bareOpen(const QByteArray &path, mpv_handle **keep = nullptr)
{
    QElapsedTimer clock;
    clock.start();
    mpv_handle *h = bareCore();
    if (!h)
        return -1;
    const char *args[] = {"loadfile", path.constData(), nullptr};
    mpv_command(h, args);
    bool loaded = false;
    while (!loaded) {
        mpv_event *event = mpv_wait_event(h, 10);
        if (event->event_id == MPV_EVENT_FILE_LOADED)
            loaded = true;
        else if (event->event_id == MPV_EVENT_END_FILE || clock.elapsed() > 10000)
            break;
    }
    double duration = 0;
    mpv_get_property(h, "duration", MPV_FORMAT_DOUBLE, &duration);
    const double ms = clock.nsecsElapsed() / 1e6;
    if (keep)
        *keep = h;
    else
        mpv_terminate_destroy(h);
    return loaded && duration > 0 ? ms : -1;
}

/// Milliseconds from "open" to the reply of the first "status length"; <0 on failure.
double mciOpen(const QString &path)
{
    const QByteArray open = ("open \"" + path + "\" alias b").toUtf8();
    char reply[64];
    QElapsedTimer clock;
    clock.start();
    if (mciSendString(open.constData(), nullptr, 0, nullptr) != 0)
        return -1;
    const int error = mciSendString("status b length", reply, sizeof reply, nullptr);
    const double ms = clock.nsecsElapsed() / 1e6;
    mciSendString("close b", nullptr, 0, nullptr);
    return error == 0 ? ms : -1;
}

void benchOpen(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    std::vector<double> bare, mci;
    // Interleaved, each going first every other time, so both see the same
    // state of the machine and its caches.
    for (int i = 0; i < kOpenRuns; ++i) {
        double b = 0, m = 0;
        if (i % 2 == 0) {
            b = bareOpen(native);
            m = mciOpen(path);
        } else {
            m = mciOpen(path);
            b = bareOpen(native);
        }
        if (b < 0 || m < 0) {
            std::printf("%s: failed to open\n", qPrintable(QFileInfo(path).fileName()));
            return;
        }
        bare.push_back(b);
        mci.push_back(m);
    }
    const double b = median(bare), m = median(mci);
    std::printf("open %-10s  bare libmpv %7.2f ms   MCI open+status length %7.2f ms   ratio %.2f\n",
                qPrintable(QFileInfo(path).fileName()), b, m, m / b);
}

void benchStatus(const QString &path)
{
    const QByteArray open = ("open \"" + path + "\" alias b").toUtf8();
    if (mciSendString(open.constData(), nullptr, 0, nullptr) != 0) {
        std::printf("status: failed to open\n");
        return;
    }
    mciSendString("play b", nullptr, 0, nullptr);
    char reply[64];
    std::vector<double> mci;
    for (int batch = 0; batch < kStatusBatches; ++batch) {
        QApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kStatusPerBatch; ++i)
            mciSendString("status b position", reply, sizeof reply, nullptr);
        mci.push_back(clock.nsecsElapsed() / 1e3 / kStatusPerBatch);
    }
    const int lastError = mciSendString("status b position", reply, sizeof reply, nullptr);
    mciSendString("close b", nullptr, 0, nullptr);
    if (lastError != 0) {
        std::printf("status: query failed with %d\n", lastError);
        return;
    }

    mpv_handle *h = nullptr;
    std::vector<double> bare;
    if (bareOpen(QFile::encodeName(path), &h) >= 0) {
        for (int batch = 0; batch < kStatusBatches; ++batch) {
            QElapsedTimer clock;
            clock.start();
            for (int i = 0; i < kStatusPerBatch; ++i) {
                double pos = 0;
                mpv_get_property(h, "time-pos", MPV_FORMAT_DOUBLE, &pos);
            }
            bare.push_back(clock.nsecsElapsed() / 1e3 / kStatusPerBatch);
        }
    }
    if (h)
        mpv_terminate_destroy(h);
    std::printf("status position        bare mpv_get_property %6.2f us   MCI status %6.2f us\n",
                bare.empty() ? -1.0 : median(bare), median(mci));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString dir = benchMediaDir(argc, argv);
    const QString clip = QDir(dir).filePath("clip.avi");
    const QString tone = QDir(dir).filePath("tone.wav");
    if (!QFileInfo::exists(clip) || !QFileInfo::exists(tone)) {
        std::fprintf(stderr, "clip.avi and tone.wav are needed in %s\n", qPrintable(dir));
        return 1;
    }
    std::printf("medians of %d opens, %d batches of %d queries\n", kOpenRuns, kStatusBatches,
                kStatusPerBatch);
    benchOpen(clip);
    benchOpen(tone);
    benchStatus(clip);
    return 0;
}
