#pragma once

#include "platform/media/MediaEngine.h"

#include <QOpenGLWidget>
#include <QPointer>
#include <QRect>

#include <atomic>
#include <memory>

struct mpv_render_context;
class QOpenGLFramebufferObject;

/// An OpenGL widget that draws the video of one MediaEngine, or black.
///
/// Each surface has a handle(): a small non-zero integer, unique for the
/// life of the process, that stands in for a native window handle. Layers
/// that address a video window by number (the MCI interpreter's "window
/// <alias> handle <H>") look the surface up with fromHandle().
///
/// An engine draws on at most one surface; binding it to a second surface
/// unbinds it from the first (which then draws black). Either side may be
/// destroyed first: a surface whose engine dies draws black, an engine whose
/// surface dies plays on without video.
///
/// GUI thread only.
class VideoSurface final : public QOpenGLWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VideoSurface)

public:
    explicit VideoSurface(QWidget *parent = nullptr);
    ~VideoSurface() override;

    /// This surface's handle: non-zero, never reused while the process runs.
    int handle() const { return m_handle; }
    /// The live surface with `handle`, or nullptr when there is none (never
    /// existed, or already destroyed).
    static VideoSurface *fromHandle(int handle);

    /// Draws `engine` from now on; nullptr draws black. Rebinding frees the
    /// old engine's renderer first. Safe before the widget is shown: the
    /// renderer is created once the widget's OpenGL context exists.
    void setEngine(MediaEngine *engine);
    MediaEngine *engine() const { return m_engine; }

    /// Rectangle, in widget pixels, into which the video is drawn (stretched
    /// or letterboxed there as the engine's keepAspect() says); the rest of
    /// the widget is black. An empty rectangle means the whole widget.
    void setDestination(const QRect &rect);
    QRect destination() const { return m_destination; }

    /// True when the engine's renderer exists (the engine can show video).
    bool isRendering() const { return m_render != nullptr; }

Q_SIGNALS:
    /// A picture of the bound engine has just been drawn into the widget.
    void frameDrawn();

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    friend class MediaEngine;

    static void onUpdate(void *ctx);
    void createRenderer();
    void destroyRenderer();
    /// Called by a dying (or rebinding) engine: frees the renderer, draws black.
    void engineGone();
    void onFrameSwapped();

    int m_handle = 0;
    QPointer<MediaEngine> m_engine;
    mpv_render_context *m_render = nullptr;
    QRect m_destination;
    // Off-screen picture for a destination smaller or larger than the widget.
    std::unique_ptr<QOpenGLFramebufferObject> m_fbo;
    /// The link to the current GL context's end; cut before the base class
    /// destroys the context, when this object is already gone.
    QMetaObject::Connection m_contextGone;
    std::atomic<bool> m_updateQueued{false};
    bool m_drewFrame = false;
    // The renderer has received a video frame since it was created.
    bool m_hadFrame = false;
};
