#include "platform/video/VideoSurface.h"

#include "platform/forms/Diagnostics.h"
#include "platform/media/MediaEngine.h"
#include "platform/media/VideoTarget.h"

#include <QGuiApplication>
#include <QMutex>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QPlatformSurfaceEvent>
#include <QThread>
#include <QWindow>

#include <mpv/render_gl.h>

#include <algorithm>
#include <utility>

namespace {

// Cap for the off-screen picture a grab draws; larger ones are scaled up.
constexpr int MaxOffscreenSide = 4096;

void *procAddress(void *, const char *name)
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void *>(context->getProcAddress(QByteArray(name))) : nullptr;
}

/// Draws `render`'s current picture into the framebuffer `fbo` of `size`
/// device pixels (bottom-up, as OpenGL keeps them).
void renderInto(mpv_render_context *render, GLuint fbo, const QSize &size)
{
    mpv_opengl_fbo target{static_cast<int>(fbo), size.width(), size.height(), 0};
    int flipY = 1;
    // The core sends each picture when it is due (no timing offset): drawn
    // at once, the window's thread never waits for a picture's time.
    int blockForTargetTime = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &target},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &blockForTargetTime},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(render, params);
}

/// Runs `draw` with a framebuffer of `side` device pixels bound and
/// complete, with `context` current; false when it could not be made.
template <typename Draw> bool withOffscreenFramebuffer(QOpenGLContext *context, const QSize &side, Draw draw)
{
    QOpenGLFunctions *gl = context->functions();
    GLuint texture = 0;
    GLuint fbo = 0;
    gl->glGenTextures(1, &texture);
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, side.width(), side.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     nullptr);
    gl->glGenFramebuffers(1, &fbo);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    const bool complete = gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (complete)
        draw(fbo);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, context->defaultFramebufferObject());
    gl->glDeleteFramebuffers(1, &fbo);
    gl->glDeleteTextures(1, &texture);
    return complete;
}

/// `render`'s current picture drawn afresh off screen at `side` device
/// pixels, with `context` current.
QImage renderOffscreen(QOpenGLContext *context, mpv_render_context *render, const QSize &side)
{
    QImage image;
    withOffscreenFramebuffer(context, side, [&](GLuint fbo) {
        renderInto(render, fbo, side);
        image = QImage(side, QImage::Format_RGBA8888);
        QOpenGLFunctions *gl = context->functions();
        gl->glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
        gl->glReadPixels(0, 0, side.width(), side.height(), GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
        // OpenGL's rows run bottom-up.
        image = image.mirrored();
    });
    return image;
}

} // namespace

/// The thread a surface's pictures are drawn on, with the surface's OpenGL
/// context and the engine's renderer.
///
/// libmpv hands a picture to the renderer and waits until it is drawn
/// before it goes on, and the window's thread makes blocking calls into the
/// core (stopping a file, changing the video output, reading a property)
/// that can wait on that same hand-over. Drawn on the window's thread, a
/// picture due at such a moment held both until the renderer gave up after
/// 200 ms: a file opened while another played often took that long to show.
/// Drawn here, the picture never waits for the window's thread.
///
/// The window's thread owns the object: it publishes where pictures may be
/// drawn (setTarget) and makes the blocking calls below, which must never
/// come from this thread itself. Pictures are drawn when requestDraw() is
/// called from any thread; each draw is reported back to the surface.
class RenderThread final {
public:
    RenderThread(VideoSurface *surface, QWindow *window, std::unique_ptr<QOpenGLContext> context)
        : m_surface(surface)
        , m_window(window)
        , m_context(std::move(context))
    {
        // Made here, on the window's thread, as Qt requires; current on the
        // render thread whenever the window is not to be drawn on.
        m_offscreen.setFormat(m_context->format());
        m_offscreen.create();
        m_thread.setObjectName(QStringLiteral("Kovaplex video"));
        m_context->moveToThread(&m_thread);
        m_worker.moveToThread(&m_thread);
        m_thread.start();
    }

    ~RenderThread()
    {
        runHere([this] {
            freeRenderer();
            m_context->doneCurrent();
            m_context.reset();
        });
        m_thread.quit();
        m_thread.wait();
    }

    /// Where pictures go from now on: nowhere unless `drawable`.
    void setTarget(bool drawable, const QSize &devicePixels)
    {
        const QMutexLocker lock(&m_targetLock);
        m_drawable = drawable;
        m_size = devicePixels;
    }

    /// The window's native surface is about to go: from now on nothing is
    /// drawn on it until a drawable target is published again.
    void releaseWindow()
    {
        setTarget(false, {});
        runHere([this] { m_context->doneCurrent(); });
    }

    /// Draws the current picture (or black) soon; requests made before the
    /// draw starts are one draw.
    void requestDraw()
    {
        if (!m_drawQueued.exchange(true))
            QMetaObject::invokeMethod(
                &m_worker, [this] { draw(); }, Qt::QueuedConnection);
    }

    /// Makes the renderer of the core `core`; false when libmpv refuses.
    bool createRenderer(mpv_handle *core)
    {
        bool created = false;
        runHere([&] {
            if (m_render || !m_context->makeCurrent(&m_offscreen))
                return;
            mpv_opengl_init_params glInit{&procAddress, nullptr};
            mpv_render_param params[] = {
                {MPV_RENDER_PARAM_API_TYPE, const_cast<char *>(MPV_RENDER_API_TYPE_OPENGL)},
                {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
                {MPV_RENDER_PARAM_INVALID, nullptr},
            };
            if (mpv_render_context_create(&m_render, core, params) < 0) {
                m_render = nullptr;
                return;
            }
            mpv_render_context_set_update_callback(m_render, &RenderThread::onUpdate, this);
            created = true;
        });
        return created;
    }

    /// Frees the renderer; the core must have left it first.
    void destroyRenderer()
    {
        runHere([this] { freeRenderer(); });
    }

    /// The renderer's current picture drawn afresh off screen at `side`
    /// device pixels (null without a renderer).
    QImage grab(const QSize &side)
    {
        QImage image;
        runHere([&] {
            if (m_render && m_context->makeCurrent(&m_offscreen))
                image = renderOffscreen(m_context.get(), m_render, side);
        });
        return image;
    }

private:
    static void onUpdate(void *self)
    {
        // Runs on a thread of the core: only ask.
        static_cast<RenderThread *>(self)->requestDraw();
    }

    template <typename Call> void runHere(Call call)
    {
        QMetaObject::invokeMethod(&m_worker, call, Qt::BlockingQueuedConnection);
    }

    void freeRenderer()
    {
        if (!m_render)
            return;
        // The context is current for the renderer's own clean-up.
        m_context->makeCurrent(&m_offscreen);
        mpv_render_context_set_update_callback(m_render, nullptr, nullptr);
        mpv_render_context_free(m_render);
        m_render = nullptr;
        m_rendererDrew = false;
    }

    void draw()
    {
        m_drawQueued.store(false);
        bool drawable = false;
        QSize size;
        {
            const QMutexLocker lock(&m_targetLock);
            drawable = m_drawable;
            size = m_size;
        }
        if (!drawable || size.isEmpty()) {
            if (m_context->makeCurrent(&m_offscreen))
                takeHiddenFrame();
            return;
        }
        if (!m_context->makeCurrent(m_window))
            return;
        const GLuint target = m_context->defaultFramebufferObject();
        bool newFrame = false;
        if (m_render) {
            // Only the libmpv output hands frames to the renderer; until it
            // does (the engine may still be on its dormant output) mpv draws
            // black.
            newFrame = (mpv_render_context_update(m_render) & MPV_RENDER_UPDATE_FRAME) != 0;
            renderInto(m_render, target, size);
            m_rendererDrew = true;
        } else {
            QOpenGLFunctions *gl = m_context->functions();
            gl->glBindFramebuffer(GL_FRAMEBUFFER, target);
            gl->glClearColor(0, 0, 0, 1);
            gl->glClear(GL_COLOR_BUFFER_BIT);
        }
        m_context->swapBuffers(m_window);
        if (!m_render)
            return;
        mpv_render_context_report_swap(m_render);
        report(newFrame, true);
    }

    /// A picture handed over while the window cannot show it is taken
    /// without drawing: the core waits for each picture to be drawn, and it
    /// must not wait on a hidden window (the surface of the playback path
    /// not shown yet while its file opens, a minimised window).
    void takeHiddenFrame()
    {
        if (!m_render || !(mpv_render_context_update(m_render) & MPV_RENDER_UPDATE_FRAME))
            return;
        if (!m_rendererDrew && drawOffscreen()) {
            mpv_render_context_report_swap(m_render);
            report(true, false);
            return;
        }
        int skip = 1;
        int blockForTargetTime = 0;
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_SKIP_RENDERING, &skip},
            {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &blockForTargetTime},
            {MPV_RENDER_PARAM_INVALID, nullptr},
        };
        mpv_render_context_render(m_render, params);
        // Once told of swaps, libmpv waits for one after every picture.
        mpv_render_context_report_swap(m_render);
        report(true, false);
    }

    /// Draws the picture just handed over off screen, at the window's size
    /// when it has one: the renderer builds its shaders on its first
    /// picture, which then costs tens of milliseconds. Done here, while the
    /// window is not shown yet, the first picture the window shows is drawn
    /// at once.
    bool drawOffscreen()
    {
        QSize side;
        {
            const QMutexLocker lock(&m_targetLock);
            side = m_size;
        }
        if (side.isEmpty())
            side = QSize(64, 64);
        m_rendererDrew = withOffscreenFramebuffer(m_context.get(), side,
                                                  [&](GLuint fbo) { renderInto(m_render, fbo, side); });
        return m_rendererDrew;
    }

    void report(bool newFrame, bool shown)
    {
        VideoSurface *surface = m_surface;
        QMetaObject::invokeMethod(
            surface, [surface, newFrame, shown] { surface->pictureDrawn(newFrame, shown); },
            Qt::QueuedConnection);
    }

    VideoSurface *const m_surface;
    QWindow *const m_window;
    QOffscreenSurface m_offscreen;
    QThread m_thread;
    // Lives on m_thread: what is invoked on it runs there.
    QObject m_worker;
    // Used on m_thread only, after the constructor.
    std::unique_ptr<QOpenGLContext> m_context;
    mpv_render_context *m_render = nullptr;
    // The renderer has drawn a picture, on or off screen: its shaders exist.
    bool m_rendererDrew = false;
    std::atomic<bool> m_drawQueued{false};
    QMutex m_targetLock;
    bool m_drawable = false;
    QSize m_size;
};

/// The native child window the video is drawn into. It takes no input and
/// never the focus; it only tells its surface when it can be drawn.
class VideoWindow final : public QWindow {
public:
    explicit VideoWindow(VideoSurface *owner)
        : m_owner(owner)
    {
        setSurfaceType(QSurface::OpenGLSurface);
        setFlags(Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus);
    }

    /// The surface is going: the window outlives it within the widget's
    /// destruction and tells it nothing more.
    void forgetOwner() { m_owner = nullptr; }

protected:
    void exposeEvent(QExposeEvent *) override
    {
        // Hidden or covered, the video window is drawn no more.
        if (m_owner)
            m_owner->exposureChanged();
    }
    bool event(QEvent *event) override
    {
        if (m_owner && event->type() == QEvent::PlatformSurface &&
            static_cast<QPlatformSurfaceEvent *>(event)->surfaceEventType() ==
                QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed)
            m_owner->windowSurfaceGoing();
        return QWindow::event(event);
    }
    void resizeEvent(QResizeEvent *) override
    {
        // Drawn from the event loop, not in the middle of the resize: the
        // window system may not have the new size yet.
        if (m_owner && isExposed())
            m_owner->scheduleRender();
    }

private:
    VideoSurface *m_owner;
};

VideoSurface::VideoSurface(QWidget *parent)
    : QWidget(parent)
{
    // Native, and so its ancestors: the window system then clips the video
    // window to every box it lies in.
    setAttribute(Qt::WA_NativeWindow);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    m_window = new VideoWindow(this);
    m_container = QWidget::createWindowContainer(m_window, this);
    // A native container puts the video window inside this widget's own,
    // not beside it in the top-level window.
    m_container->setAttribute(Qt::WA_NativeWindow);
    m_container->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_container->setFocusPolicy(Qt::NoFocus);
    placeWindow();
}

VideoSurface::~VideoSurface()
{
    withdrawHandle();
    destroyRenderer();
    for (const QMetaObject::Connection &connection : m_engineConnections)
        disconnect(connection);
    if (m_engine)
        m_engine->detachRenderer(this);
    m_engine = nullptr;
    m_renderThread.reset();
    static_cast<VideoWindow *>(m_window)->forgetOwner();
}

VideoSurface *VideoSurface::fromHandle(int handle)
{
    return dynamic_cast<VideoSurface *>(VideoTarget::fromHandle(handle));
}

bool VideoSurface::isValid() const
{
    return m_renderThread != nullptr;
}

void VideoSurface::setEngine(MediaEngine *engine)
{
    if (engine == m_engine)
        return;
    if (m_engine) {
        destroyRenderer();
        for (const QMetaObject::Connection &connection : std::exchange(m_engineConnections, {}))
            disconnect(connection);
        m_seekStarted = false;
        m_seekFramePending = false;
        m_engine->detachRenderer(this);
        m_engine = nullptr;
    }
    if (engine) {
        // One renderer per core: the engine revokes another surface first.
        engine->attachRenderer(this);
        m_engine = engine;
        connectEngine(engine);
        // An engine with a file wants its renderer now, shown or not.
        if (engine->isLoading() || engine->isLoaded())
            ensureContext();
        createRenderer();
    }
    render();
}

void VideoSurface::connectEngine(MediaEngine *engine)
{
    m_engineConnections = {
        connect(engine, &MediaEngine::seekStarted, this,
                [this] {
                    m_seekStarted = true;
                    m_seekFramePending = false;
                    m_framesSinceSeek = 0;
                }),
        connect(engine, &MediaEngine::seekFinished, this, [this] { seekRestarted(); }),
        // Made while the file opens, the renderer has the video from its
        // first picture on; made later, the core would build the file's
        // video a second time. What it hands over before the window shows
        // is taken without drawing, but for the first picture, drawn off
        // screen so that the window's first one is quick.
        connect(engine, &MediaEngine::loadStarted, this,
                [this] {
                    if (ensureContext())
                        createRenderer();
                }),
        // A picture drawn before the video was known to run counted for
        // nothing: draw it again now. Once the video stops, only a picture
        // handed over afterwards counts again (a draw reported late from
        // before must not pass for the new video's first).
        connect(engine, &MediaEngine::videoActiveChanged, this,
                [this](bool active) {
                    if (active)
                        scheduleRender();
                    else
                        m_hadFrame = false;
                }),
        connect(engine, &MediaEngine::redrawNeeded, this, [this] { render(); }),
        connect(engine, &MediaEngine::rendererRevoked, this,
                [this](QObject *renderer) {
                    if (renderer == this)
                        engineGone();
                }),
    };
}

void VideoSurface::setDestination(const QRect &rect)
{
    if (rect == m_destination)
        return;
    m_destination = rect;
    placeWindow();
}

void VideoSurface::resizeEvent(QResizeEvent *)
{
    placeWindow();
}

QRect VideoSurface::videoRect() const
{
    return m_destination.isEmpty() ? rect() : m_destination;
}

void VideoSurface::placeWindow()
{
    // A destination reaching past the widget is clipped by the window
    // system: the video window is a child of this native widget.
    m_container->setGeometry(videoRect());
}

bool VideoSurface::ensureContext()
{
    if (m_renderThread)
        return true;
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(m_window->requestedFormat());
    if (!context->create())
        return false;
    m_renderThread = std::make_unique<RenderThread>(this, m_window, std::move(context));
    return true;
}

void VideoSurface::exposureChanged()
{
    if (m_window->isExposed())
        render();
    else
        publishTarget(false);
}

void VideoSurface::windowSurfaceGoing()
{
    if (m_renderThread)
        m_renderThread->releaseWindow();
}

void VideoSurface::createRenderer()
{
    if (m_rendering || !m_engine || !m_engine->renderHandle() || !m_renderThread)
        return;
    if (!m_renderThread->createRenderer(m_engine->renderHandle()))
        return;
    m_rendering = true;
    m_hadFrame = false;
    m_engine->setRendererReady(true);
}

void VideoSurface::destroyRenderer()
{
    if (!m_rendering)
        return;
    // Video off first, so the core is not using the renderer while it goes;
    // the render thread goes on drawing what the core hands over meanwhile.
    if (m_engine)
        m_engine->setRendererReady(false);
    m_renderThread->destroyRenderer();
    m_rendering = false;
}

void VideoSurface::engineGone()
{
    destroyRenderer();
    for (const QMetaObject::Connection &connection : std::exchange(m_engineConnections, {}))
        disconnect(connection);
    m_seekStarted = false;
    m_seekFramePending = false;
    if (m_engine)
        m_engine->detachRenderer(this);
    m_engine = nullptr;
    render();
}

void VideoSurface::scheduleRender()
{
    // From the event loop: called in the middle of a show or a resize, the
    // window system may not have the window's new state yet.
    if (!m_renderQueued.exchange(true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_renderQueued.store(false);
                render();
            },
            Qt::QueuedConnection);
    }
}

bool VideoSurface::canDraw() const
{
    // Only into a window that is shown, sized and mapped: the renderer
    // never touches a surface that is not ready, whatever order the
    // windows are shown in.
    if (!isVisible() || !window()->isVisible() || m_window->geometry().isEmpty())
        return false;
    // A Wayland sub-surface hears of no exposure of its own: it shows with
    // its parents once it has drawn.
    static const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    return m_window->isExposed() || (wayland && m_window->handle() && m_window->isVisible());
}

void VideoSurface::publishTarget(bool drawable)
{
    if (!m_renderThread)
        return;
    const qreal dpr = m_window->devicePixelRatio();
    m_renderThread->setTarget(drawable,
                              QSize(qRound(m_window->width() * dpr), qRound(m_window->height() * dpr)));
}

void VideoSurface::showEvent(QShowEvent *)
{
    scheduleRender();
}

void VideoSurface::hideEvent(QHideEvent *)
{
    publishTarget(false);
}

void VideoSurface::paintEvent(QPaintEvent *)
{
    // The background is black already; a repaint of the widget draws the
    // video again too.
    scheduleRender();
}

void VideoSurface::render()
{
    if (!canDraw()) {
        publishTarget(false);
        return;
    }
    if (!ensureContext())
        return;
    createRenderer();
    publishTarget(true);
    m_renderThread->requestDraw();
}

void VideoSurface::pictureDrawn(bool newFrame, bool shown)
{
    // A draw reported after the renderer went was of the one before.
    if (!m_rendering)
        return;
    m_hadFrame = m_hadFrame || newFrame;
    if (newFrame) {
        ++m_framesSinceSeek;
        if (m_seekFramePending)
            traceSeekDrawn();
    }
    if (shown && m_hadFrame && m_engine && m_engine->videoActive())
        Q_EMIT frameDrawn();
}

void VideoSurface::seekRestarted()
{
    if (!m_seekStarted)
        return;
    // The core restarts playback only once the first picture at the new
    // place is drawn; a seek without a picture (no video, hidden) has it
    // traced with the next one.
    if (m_framesSinceSeek > 0 && m_engine && m_engine->videoActive())
        traceSeekDrawn();
    else
        m_seekFramePending = true;
}

void VideoSurface::traceSeekDrawn()
{
    m_seekStarted = false;
    m_seekFramePending = false;
    traceValue("seek drawn", QString::number(++m_seeksDrawn));
}

QImage VideoSurface::grabFramebuffer()
{
    if (!m_renderThread || !m_window->handle())
        return {};
    const qreal dpr = devicePixelRatioF();
    QImage image(QSize(qRound(width() * dpr), qRound(height() * dpr)), QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::black);
    const QRect dest = videoRect();
    if (m_rendering && !dest.isEmpty()) {
        const QSize side(std::min(qRound(dest.width() * dpr), MaxOffscreenSide),
                         std::min(qRound(dest.height() * dpr), MaxOffscreenSide));
        QPainter painter(&image);
        painter.drawImage(QRectF(dest), m_renderThread->grab(side));
    }
    return image;
}
