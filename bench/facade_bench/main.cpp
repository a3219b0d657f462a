// Time from giving the facade a file name to the position first moving after
// vPlay, on the MCI path and on the control path, next to bare libmpv doing
// the same (load paused, unpause, wait for time-pos to move) in the same run.
//
// Usage: facade_bench [media folder] [runs]   (default: $KOVAPLEX_TEST_MEDIA, 15)
// Needs a display with OpenGL (the video is really drawn) and an audio sink.
#include "BenchSupport.h"
#include "platform/forms/ScreenMetrics.h"
#include "platform/media/MediaEngine.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "platform/video/VideoSurface.h"
#include "playback/ClassMCIPlay.h"
#include "playback/ClassPlayerDummy.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <mpv/client.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int TimeoutMs = 10000;

/// One facade run: ms from FileName let to CurrentPosition > 0 after vPlay.
double facadeRun(ClassPlayerDummy &player, const QString &path, const QString &expectedMode)
{
    player.setFileName(QString()); // start each run from nothing loaded
    QElapsedTimer clock;
    clock.start();
    player.setFileName(path);
    if (player.ActiveVideoMode != expectedMode) {
        std::fprintf(stderr, "%s opened as %s, not %s\n", qPrintable(path),
                     qPrintable(player.ActiveVideoMode), qPrintable(expectedMode));
        return -1;
    }
    const double openedMs = clock.nsecsElapsed() / 1e6;
    player.vPlay();
    if (!spinUntil([&] { return player.CurrentPosition() > 0; }, TimeoutMs))
        return -1;
    if (qEnvironmentVariableIsSet("FACADE_BENCH_STEPS"))
        std::fprintf(stderr, "%s: opened after %.1f ms, moving after %.1f ms\n", qPrintable(expectedMode),
                     openedMs, clock.nsecsElapsed() / 1e6);
    const double ms = clock.nsecsElapsed() / 1e6;
    player.vStop();
    return ms;
}

/// Bare libmpv: the same steps straight on the client API, no Qt in between.
double bareRun(mpv_handle *mpv, const QByteArray &path)
{
    // Unload the previous file and wait until the core is idle again, so no
    // event of that file is taken for the next one.
    const char *stop[] = {"stop", nullptr};
    mpv_command(mpv, stop);
    for (;;) {
        const mpv_event *event = mpv_wait_event(mpv, 1.0);
        if (event->event_id == MPV_EVENT_IDLE || event->event_id == MPV_EVENT_NONE)
            break;
    }
    QElapsedTimer clock;
    clock.start();
    mpv_set_property_string(mpv, "pause", "yes");
    const char *load[] = {"loadfile", path.constData(), nullptr};
    if (mpv_command(mpv, load) < 0)
        return -1;
    for (;;) {
        mpv_event *event = mpv_wait_event(mpv, TimeoutMs / 1000.0);
        if (event->event_id == MPV_EVENT_FILE_LOADED)
            break;
        if (event->event_id == MPV_EVENT_NONE)
            return -1;
        if (event->event_id == MPV_EVENT_END_FILE &&
            static_cast<mpv_event_end_file *>(event->data)->reason == MPV_END_FILE_REASON_ERROR)
            return -1;
    }
    double start = 0;
    mpv_get_property(mpv, "time-pos", MPV_FORMAT_DOUBLE, &start);
    mpv_set_property_string(mpv, "pause", "no");
    while (clock.elapsed() < TimeoutMs) {
        double pos = 0;
        if (mpv_get_property(mpv, "time-pos", MPV_FORMAT_DOUBLE, &pos) >= 0 && pos > start)
            return clock.nsecsElapsed() / 1e6;
        mpv_wait_event(mpv, 0.0002);
    }
    return -1;
}

void report(const char *what, const std::vector<double> &runs)
{
    const int failed = int(std::count(runs.begin(), runs.end(), -1.0));
    std::vector<double> good;
    std::copy_if(runs.begin(), runs.end(), std::back_inserter(good), [](double v) { return v >= 0; });
    std::printf("%-34s median %8.1f ms  (min %7.1f, max %7.1f, %zu runs, %d failed)\n", what, median(good),
                good.empty() ? -1 : *std::min_element(good.begin(), good.end()),
                good.empty() ? -1 : *std::max_element(good.begin(), good.end()), good.size(), failed);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString media = benchMediaDir(argc, argv);
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 15;
    const QString avi = QDir(media).filePath("clip.avi");
    const QString mp4 = QDir(media).filePath("clip.mp4");

    QWidget box;
    box.resize(340, 260);
    auto *control = new MediaPlayerControl(&box);
    control->setGeometry(0, 0, 320, 240);
    auto *surface = new VideoSurface(&box);
    surface->setGeometry(0, 0, 320, 240);
    box.show();
    ClassMCIPlay mci;
    ClassPlayerDummy player;
    player.omPlay = control;
    player.oMCIPlay = &mci;
    player.oMCITarget = surface;

    mpv_handle *mpv = mpv_create();
    mpv_set_option_string(mpv, "vo", "null");
    mpv_set_option_string(mpv, "config", "no");
    mpv_set_option_string(mpv, "terminal", "no");
    mpv_set_option_string(mpv, "idle", "yes");
    mpv_set_option_string(mpv, "keep-open", "yes");
    mpv_set_option_string(mpv, "audio-fallback-to-null", "yes");
    mpv_set_option_string(mpv, "hwdec", "auto-safe"); // as the engine sets it
    mpv_initialize(mpv);

    std::vector<double> bareAvi, bareMp4, mciAvi, controlMp4;
    // Interleaved so that a slow moment of the machine hits every series.
    for (int i = 0; i < runs; ++i) {
        bareAvi.push_back(bareRun(mpv, avi.toUtf8()));
        mciAvi.push_back(facadeRun(player, avi, VideoMode::Mci));
        bareMp4.push_back(bareRun(mpv, mp4.toUtf8()));
        controlMp4.push_back(facadeRun(player, mp4, VideoMode::MPlay));
    }
    mpv_terminate_destroy(mpv);

    std::printf("FileName let -> position first advancing after vPlay (%d runs each)\n", runs);
    report("bare libmpv, clip.avi (baseline)", bareAvi);
    report("facade, MCI path, clip.avi", mciAvi);
    report("bare libmpv, clip.mp4 (baseline)", bareMp4);
    report("facade, control path, clip.mp4", controlMp4);
    mci.mClose(QStringLiteral("0"));
    return 0;
}
