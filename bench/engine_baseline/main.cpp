// Start-up cost of one media engine: from nothing to a loaded file, and to
// the first picture on a surface, next to a bare libmpv core (default
// options, no video output) loading the same file in the same run.
//
//   engine_baseline [media-file] [runs]
// Needs a display (run it under scripts/test-env.sh).
#include "BenchSupport.h"
#include "platform/media/MediaEngine.h"
#include "platform/video/VideoSurface.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>

#include <mpv/client.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int TimeoutMs = 15000;

// Bare core: mpv's own defaults, no video output, paused; until FILE_LOADED.
double bareLoadMs(const QByteArray &path)
{
    QElapsedTimer clock;
    clock.start();
    mpv_handle *h = mpv_create();
    mpv_set_option_string(h, "vo", "null");
    mpv_set_option_string(h, "pause", "yes");
    mpv_initialize(h);
    const char *args[] = {"loadfile", path.constData(), nullptr};
    mpv_command(h, args);
    double elapsed = -1;
    QDeadlineTimer deadline(TimeoutMs);
    while (!deadline.hasExpired()) {
        mpv_event *event = mpv_wait_event(h, 0.1);
        if (event->event_id == MPV_EVENT_FILE_LOADED) {
            elapsed = clock.nsecsElapsed() / 1e6;
            break;
        }
        if (event->event_id == MPV_EVENT_END_FILE)
            break;
    }
    mpv_terminate_destroy(h);
    return elapsed;
}

struct EngineTimes {
    double loadedMs = -1;
    double firstFrameMs = -1;
};

EngineTimes engineTimes(const QString &path)
{
    EngineTimes times;
    QElapsedTimer clock;
    clock.start();
    MediaEngine engine;
    if (engine.loadSync(path, TimeoutMs) != MediaEngine::LoadResult::Loaded)
        return times;
    times.loadedMs = clock.nsecsElapsed() / 1e6;
    VideoSurface surface;
    bool drawn = false;
    QObject::connect(&surface, &VideoSurface::frameDrawn, [&] { drawn = true; });
    surface.resize(320, 240);
    surface.setEngine(&engine);
    surface.show();
    if (spinUntil([&] { return drawn; }, TimeoutMs))
        times.firstFrameMs = clock.nsecsElapsed() / 1e6;
    return times;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString given = benchMediaDir(argc, argv);
    const QString path = argc > 1 ? given : QStringLiteral(KOVAPLEX_DEFAULT_CLIP);
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 7;

    std::vector<double> bare, loaded, frame;
    for (int i = 0; i < runs; ++i) {
        // Interleaved, so drift on a shared machine hits both sides alike.
        bare.push_back(bareLoadMs(path.toUtf8()));
        const EngineTimes t = engineTimes(path);
        loaded.push_back(t.loadedMs);
        frame.push_back(t.firstFrameMs);
    }
    std::printf("file: %s, %d runs, medians in ms\n", qPrintable(path), runs);
    std::printf("  baseline: bare libmpv, defaults, vo=null, create to file-loaded: %8.1f\n", median(bare));
    std::printf("  MediaEngine, create to loadSync Loaded:                         %8.1f\n", median(loaded));
    std::printf("  MediaEngine + VideoSurface, create to first frame drawn:        %8.1f\n", median(frame));
    return 0;
}
