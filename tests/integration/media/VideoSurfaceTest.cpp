#include "platform/video/VideoSurface.h"
#include "platform/media/MediaEngine.h"

#include "TestSupport.h"

#include <QImage>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int LoadTimeoutMs = 10000;
constexpr int FrameTimeoutMs = 10000;

// Share of pixels in `area` that are strongly coloured: the test pattern is
// mostly saturated colour, black bars and an empty surface have none.
double colourfulShare(const QImage &image, QRect area = {})
{
    if (area.isEmpty())
        area = image.rect();
    area &= image.rect();
    int colourful = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int spread =
                std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()});
            if (spread > 80)
                ++colourful;
        }
    }
    return area.isEmpty() ? 0.0 : double(colourful) / (area.width() * area.height());
}

bool isBlack(const QImage &image, QRect area = {})
{
    if (area.isEmpty())
        area = image.rect();
    area &= image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) > 16)
                return false;
    return true;
}

std::unique_ptr<VideoSurface> shownSurface()
{
    auto surface = std::make_unique<VideoSurface>();
    surface->resize(320, 240);
    surface->show();
    waitUntil([&] { return surface->isValid(); });
    return surface;
}

// Waits until the surface has drawn a picture of its engine and returns it.
QImage nextFrame(VideoSurface &surface)
{
    QSignalSpy drawn(&surface, &VideoSurface::frameDrawn);
    surface.update();
    if (!waitUntil([&] { return drawn.count() > 0; }, FrameTimeoutMs))
        return {};
    return surface.grabFramebuffer();
}

// Binds `engine` to `surface`, plays the AVI clip and returns the first
// picture drawn (null when the clip did not load or nothing was drawn).
QImage playClipOn(VideoSurface &surface, MediaEngine &engine)
{
    surface.setEngine(&engine);
    if (engine.loadSync(testMedia(QStringLiteral("clip.avi")), LoadTimeoutMs) !=
        MediaEngine::LoadResult::Loaded)
        return {};
    engine.setPaused(false);
    return nextFrame(surface);
}

} // namespace

TEST(VideoSurface, HandlesAreUniqueAndForgottenWithTheirSurface)
{
    auto a = std::make_unique<VideoSurface>();
    auto b = std::make_unique<VideoSurface>();
    EXPECT_NE(a->handle(), 0);
    EXPECT_NE(a->handle(), b->handle());
    EXPECT_EQ(VideoSurface::fromHandle(a->handle()), a.get());
    EXPECT_EQ(VideoSurface::fromHandle(0), nullptr);
    const int gone = b->handle();
    b.reset();
    EXPECT_EQ(VideoSurface::fromHandle(gone), nullptr);
    auto c = std::make_unique<VideoSurface>();
    EXPECT_NE(c->handle(), gone);
}

TEST(VideoSurface, DrawsThePlayingVideoWhicheverSideComesFirst)
{
    // Surface first, then the file.
    {
        auto surface = shownSurface();
        MediaEngine engine;
        const QImage frame = playClipOn(*surface, engine);
        ASSERT_FALSE(frame.isNull()) << "no frame drawn";
        EXPECT_GT(colourfulShare(frame), 0.3);
    }
    // The file first, paused, before any surface exists: video must still appear.
    {
        MediaEngine engine;
        ASSERT_EQ(engine.loadSync(testMedia(QStringLiteral("clip.mp4")), LoadTimeoutMs),
                  MediaEngine::LoadResult::Loaded);
        auto surface = std::make_unique<VideoSurface>();
        surface->resize(320, 240);
        surface->setEngine(&engine);
        surface->show();
        const QImage frame = nextFrame(*surface);
        ASSERT_FALSE(frame.isNull()) << "no frame drawn";
        EXPECT_GT(colourfulShare(frame), 0.3);
        EXPECT_EQ(engine.videoSize(), QSize(320, 240));
    }
}

TEST(VideoSurface, WithoutEngineOrVideoItStaysBlack)
{
    auto surface = shownSurface();
    EXPECT_TRUE(isBlack(surface->grabFramebuffer()));

    MediaEngine engine;
    surface->setEngine(&engine);
    ASSERT_EQ(engine.loadSync(testMedia(QStringLiteral("clip.avi")), LoadTimeoutMs),
              MediaEngine::LoadResult::Loaded);
    ASSERT_FALSE(nextFrame(*surface).isNull());
    engine.setVideoEnabled(false);
    ASSERT_TRUE(waitUntil([&] { return isBlack(surface->grabFramebuffer()); }));
    engine.setVideoEnabled(true);
    ASSERT_FALSE(nextFrame(*surface).isNull());
    // The picture is drawn on its own thread: the one grabbed right after
    // may still be from before the video's return.
    EXPECT_TRUE(waitUntil([&] { return colourfulShare(surface->grabFramebuffer()) > 0.3; }));
}

TEST(VideoSurface, StretchesTheVideoIntoItsDestination)
{
    auto surface = shownSurface();
    MediaEngine engine;
    engine.setKeepAspect(false);
    surface->setEngine(&engine);
    ASSERT_EQ(engine.loadSync(testMedia(QStringLiteral("clip.avi")), LoadTimeoutMs),
              MediaEngine::LoadResult::Loaded);
    ASSERT_FALSE(nextFrame(*surface).isNull());

    surface->setDestination(QRect(0, 0, 160, 120));
    QImage frame = nextFrame(*surface);
    const qreal dpr = frame.devicePixelRatio();
    const auto px = [dpr](int x, int y, int w, int h) {
        return QRect(qRound(x * dpr), qRound(y * dpr), qRound(w * dpr), qRound(h * dpr));
    };
    EXPECT_GT(colourfulShare(frame, px(4, 4, 152, 112)), 0.3);
    EXPECT_TRUE(isBlack(frame, px(170, 0, 150, 240)));
    EXPECT_TRUE(isBlack(frame, px(0, 130, 320, 110)));

    // A destination reaching past the widget shows only the part inside.
    surface->setDestination(QRect(-320, -240, 640, 480));
    frame = nextFrame(*surface);
    EXPECT_GT(colourfulShare(frame), 0.3);

    surface->setDestination(QRect());
    frame = nextFrame(*surface);
    EXPECT_GT(colourfulShare(frame, px(250, 180, 60, 50)), 0.1);
}

TEST(VideoSurface, EngineDestroyedFirstLeavesABlackSurface)
{
    auto surface = shownSurface();
    auto engine = std::make_unique<MediaEngine>();
    ASSERT_FALSE(playClipOn(*surface, *engine).isNull());

    engine.reset();
    EXPECT_EQ(surface->engine(), nullptr);
    EXPECT_FALSE(surface->isRendering());
    EXPECT_TRUE(isBlack(surface->grabFramebuffer()));
    EXPECT_EQ(VideoSurface::fromHandle(surface->handle()), surface.get());
}

TEST(VideoSurface, SurfaceDestroyedFirstLetsTheEnginePlayOn)
{
    MediaEngine engine;
    {
        auto surface = shownSurface();
        ASSERT_FALSE(playClipOn(*surface, engine).isNull());
    }
    EXPECT_EQ(engine.renderer(), nullptr);
    const double before = engine.position();
    EXPECT_TRUE(waitUntil([&] { return engine.position() > before + 0.3; }));
    EXPECT_TRUE(engine.hasVideo());

    // A new surface picks the same engine's video up again.
    auto again = shownSurface();
    again->setEngine(&engine);
    EXPECT_GT(colourfulShare(nextFrame(*again)), 0.3);
}

TEST(VideoSurface, RebindingMovesEnginesBetweenSurfaces)
{
    auto first = shownSurface();
    auto second = shownSurface();
    MediaEngine video;
    MediaEngine audio;
    ASSERT_EQ(video.loadSync(testMedia(QStringLiteral("clip.avi")), LoadTimeoutMs),
              MediaEngine::LoadResult::Loaded);
    ASSERT_EQ(audio.loadSync(testMedia(QStringLiteral("tone.wav")), LoadTimeoutMs),
              MediaEngine::LoadResult::Loaded);

    first->setEngine(&audio);
    first->setEngine(&video);
    EXPECT_EQ(audio.renderer(), nullptr);
    EXPECT_EQ(video.renderer(), first.get());
    EXPECT_GT(colourfulShare(nextFrame(*first)), 0.3);

    // An engine draws on one surface at a time: the newest binding wins.
    second->setEngine(&video);
    EXPECT_EQ(first->engine(), nullptr);
    EXPECT_EQ(video.renderer(), second.get());
    EXPECT_TRUE(isBlack(first->grabFramebuffer()));
    EXPECT_GT(colourfulShare(nextFrame(*second)), 0.3);

    second->setEngine(nullptr);
    EXPECT_EQ(video.renderer(), nullptr);
    EXPECT_TRUE(isBlack(second->grabFramebuffer()));
}

TEST(VideoSurface, AHiddenSurfaceLetsTheCoreHandOverEveryPicture)
{
    // The core waits for each picture it hands over to be drawn; a surface
    // that cannot show it (hidden, or the other playback path's) must still
    // take it, or the core stalls on every picture and drops the late ones.
    auto surface = shownSurface();
    MediaEngine engine;
    ASSERT_FALSE(playClipOn(*surface, engine).isNull());

    surface->hide();
    const qint64 droppedBefore = engine.readProperty("frame-drop-count").toLongLong();
    const double before = engine.position();
    // Two seconds of the clip are 50 pictures; stalled, nearly all would go.
    ASSERT_TRUE(waitUntil([&] { return engine.position() > before + 2.0; }, FrameTimeoutMs));
    EXPECT_LT(engine.readProperty("frame-drop-count").toLongLong() - droppedBefore, 10);

    surface->show();
    EXPECT_GT(colourfulShare(nextFrame(*surface)), 0.3);
}

TEST(VideoSurface, AFileOpenedBeforeTheWindowShowsGetsItsRendererWhileItLoads)
{
    // The window shows only once its file is open. The renderer made while
    // the file loads takes the video from its first picture: the core never
    // builds the file's video twice (a rebuild must be followed by a seek,
    // or playback may stall), and the window's first picture is the file's.
    for (const char *clip : {"clip.mp4", "portrait.mp4", "clip.avi"}) {
        SCOPED_TRACE(clip);
        auto surface = std::make_unique<VideoSurface>();
        surface->resize(320, 240);
        MediaEngine engine;
        surface->setEngine(&engine);
        EXPECT_FALSE(surface->isRendering()) << "nothing to draw yet";

        QSignalSpy seeks(&engine, &MediaEngine::seekStarted);
        ASSERT_EQ(engine.loadSync(testMedia(QString::fromLatin1(clip)), LoadTimeoutMs),
                  MediaEngine::LoadResult::Loaded);
        EXPECT_TRUE(surface->isRendering());
        engine.setPaused(false);
        EXPECT_TRUE(waitUntil([&] { return engine.position() > 0.5; }, FrameTimeoutMs)) << "playback stalled";
        EXPECT_EQ(seeks.count(), 0) << "the video was built again";

        surface->show();
        EXPECT_GT(colourfulShare(nextFrame(*surface)), 0.3);
    }
}
