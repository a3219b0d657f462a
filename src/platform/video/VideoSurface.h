#pragma once

#include "platform/media/MediaEngine.h"
#include "platform/media/VideoTarget.h"

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <atomic>
#include <memory>
#include <vector>

class QWindow;
class RenderThread;

/// A widget that shows the video of one MediaEngine, or black.
///
/// The picture is drawn by libmpv's render API straight into a native child
/// window (an OpenGL surface) placed over the destination rectangle, so a
/// video frame costs one render and one buffer swap of the video's own size,
/// and the rest of the window is never composed with OpenGL. The child
/// window takes no input: mouse buttons and the keyboard reach the widgets
/// below it as if it were not there. The widget is native, and with it its
/// ancestors, so that the window system clips the video to them.
///
/// Each surface is a VideoTarget: its handle() stands in for a native window
/// handle, and layers that address a video window by number (the MCI
/// interpreter's "window <alias> handle <H>") find it through
/// VideoTarget::fromHandle() without knowing it is a widget.
///
/// The surface holds its engine by a guarded pointer and uses only the
/// engine's public renderer calls and signals.
///
/// An engine draws on at most one surface; binding it to a second surface
/// unbinds it from the first (which then draws black). Either side may be
/// destroyed first: a surface whose engine dies draws black, an engine whose
/// surface dies plays on without video.
///
/// GUI thread only. The pictures themselves are drawn on a thread of the
/// surface's own, so that libmpv never waits on the GUI thread to draw.
class VideoSurface final : public QWidget, public VideoTarget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VideoSurface)

public:
    explicit VideoSurface(QWidget *parent = nullptr);
    ~VideoSurface() override;

    /// The live surface with `handle`, or nullptr when there is none (never
    /// existed, already destroyed, or a target of another kind).
    static VideoSurface *fromHandle(int handle);

    /// Draws `engine` from now on; nullptr draws black. Rebinding frees the
    /// old engine's renderer first. Safe before the widget is shown: the
    /// renderer is created with the surface's OpenGL context, which is made
    /// when the engine has a file (or starts loading one) or when the
    /// surface shows, whichever comes first.
    void setEngine(MediaEngine *engine) override;
    MediaEngine *engine() const override { return m_engine; }

    /// Rectangle, in widget pixels, into which the video is drawn (stretched
    /// or letterboxed there as the engine's keepAspect() says); the rest of
    /// the widget is black. An empty rectangle means the whole widget.
    void setDestination(const QRect &rect) override;
    QRect destination() const { return m_destination; }
    QSize targetSize() const override { return size(); }

    /// True once the OpenGL context exists: the surface has been shown, or
    /// its engine has had a file.
    bool isValid() const;
    /// True when the engine's renderer exists (the engine can show video).
    bool isRendering() const { return m_rendering; }

    /// What the surface shows now, in device pixels: the engine's current
    /// picture drawn afresh into the destination, black elsewhere. A null
    /// image before the surface was shown.
    QImage grabFramebuffer();

Q_SIGNALS:
    /// A picture of the bound engine has just been drawn into the widget.
    void frameDrawn();

protected:
    void resizeEvent(QResizeEvent *event) override;
    /// Repainting the widget draws the video again as well.
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    friend class VideoWindow;
    friend class RenderThread;

    void scheduleRender();
    bool ensureContext();
    bool canDraw() const;
    void exposureChanged();
    /// The video window's native surface is about to be destroyed.
    void windowSurfaceGoing();
    /// Tells the render thread whether, and at what size, it may draw.
    void publishTarget(bool drawable);
    void createRenderer();
    void destroyRenderer();
    /// The engine revoked this surface (it is dying, or another surface took
    /// it): frees the renderer, draws black.
    void engineGone();
    void connectEngine(MediaEngine *engine);
    void placeWindow();
    /// Has the current picture drawn into the child window and shown, when
    /// the window can show it.
    void render();
    /// The render thread drew a picture of the renderer: `newFrame` one the
    /// core had not handed over before, `shown` into the window (not off
    /// screen while the window was hidden).
    void pictureDrawn(bool newFrame, bool shown);
    void seekRestarted();
    void traceSeekDrawn();
    QRect videoRect() const;

    QPointer<MediaEngine> m_engine;
    QWindow *m_window = nullptr;
    QWidget *m_container = nullptr;
    // Made with the OpenGL context, once the window can first be drawn.
    std::unique_ptr<RenderThread> m_renderThread;
    // The engine's renderer exists.
    bool m_rendering = false;
    QRect m_destination;
    std::atomic<bool> m_renderQueued{false};
    // The renderer has received a video frame since it was created.
    bool m_hadFrame = false;
    // Traced, so that a skip's latency can be measured: a seek of the engine
    // is under way (m_seekStarted) with this many new frames drawn since it
    // began; it restarted playback before its first new frame was drawn
    // (m_seekFramePending).
    bool m_seekStarted = false;
    int m_framesSinceSeek = 0;
    bool m_seekFramePending = false;
    int m_seeksDrawn = 0;
    // This surface's connections to its engine, dropped when it lets go.
    std::vector<QMetaObject::Connection> m_engineConnections;
};
