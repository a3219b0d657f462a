#include "platform/video/VideoSurface.h"

#include "platform/forms/Diagnostics.h"
#include "platform/media/MediaEngine.h"
#include "platform/media/VideoTarget.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>
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

/// `render`'s current picture drawn afresh off screen at `side` device
/// pixels, with `context` current.
QImage renderOffscreen(QOpenGLContext *context, mpv_render_context *render, const QSize &side)
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
    QImage image;
    if (gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
        renderInto(render, fbo, side);
        image = QImage(side, QImage::Format_RGBA8888);
        gl->glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
        gl->glReadPixels(0, 0, side.width(), side.height(), GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
        // OpenGL's rows run bottom-up.
        image = image.mirrored();
    }
    gl->glBindFramebuffer(GL_FRAMEBUFFER, context->defaultFramebufferObject());
    gl->glDeleteFramebuffers(1, &fbo);
    gl->glDeleteTextures(1, &texture);
    return image;
}

} // namespace

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

protected:
    void exposeEvent(QExposeEvent *) override
    {
        if (isExposed())
            m_owner->windowExposed();
    }
    void resizeEvent(QResizeEvent *) override
    {
        // Drawn from the event loop, not in the middle of the resize: the
        // window system may not have the new size yet.
        if (isExposed())
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
    if (m_context)
        m_context->doneCurrent();
}

VideoSurface *VideoSurface::fromHandle(int handle)
{
    return dynamic_cast<VideoSurface *>(VideoTarget::fromHandle(handle));
}

bool VideoSurface::isValid() const
{
    return m_context != nullptr;
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
        // A picture drawn before the video was known to run counted for
        // nothing: draw it again now.
        connect(engine, &MediaEngine::videoActiveChanged, this,
                [this](bool active) {
                    if (active)
                        scheduleRender();
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

bool VideoSurface::makeCurrent()
{
    return m_context && m_window->handle() && m_context->makeCurrent(m_window);
}

bool VideoSurface::ensureContext()
{
    if (m_context)
        return true;
    if (!m_window->handle())
        return false;
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(m_window->requestedFormat());
    if (!context->create())
        return false;
    m_context = std::move(context);
    return true;
}

void VideoSurface::windowExposed()
{
    render();
}

void VideoSurface::createRenderer()
{
    if (m_render || !m_engine || !m_engine->renderHandle() || !makeCurrent())
        return;
    mpv_opengl_init_params glInit{&procAddress, nullptr};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char *>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context *render = nullptr;
    if (mpv_render_context_create(&render, m_engine->renderHandle(), params) < 0)
        return;
    m_render = render;
    m_hadFrame = false;
    mpv_render_context_set_update_callback(m_render, &VideoSurface::onUpdate, this);
    m_engine->setRendererReady(true);
}

void VideoSurface::destroyRenderer()
{
    if (!m_render)
        return;
    // Video off first, so the core is not using the renderer while it goes.
    if (m_engine)
        m_engine->setRendererReady(false);
    makeCurrent();
    mpv_render_context_set_update_callback(m_render, nullptr, nullptr);
    mpv_render_context_free(m_render);
    m_render = nullptr;
    m_updateQueued.store(false);
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

void VideoSurface::onUpdate(void *ctx)
{
    // Runs on an mpv thread: only ask for a render on ours.
    static_cast<VideoSurface *>(ctx)->scheduleRender();
}

void VideoSurface::scheduleRender()
{
    // The flag drops when the request arrives, so a surface that cannot
    // draw now (hidden) still hears of the next frame.
    if (!m_updateQueued.exchange(true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_updateQueued.store(false);
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

void VideoSurface::showEvent(QShowEvent *)
{
    scheduleRender();
}

void VideoSurface::paintEvent(QPaintEvent *)
{
    // The background is black already; a repaint of the widget draws the
    // video again too.
    scheduleRender();
}

void VideoSurface::render()
{
    if (!canDraw() || !ensureContext())
        return;
    createRenderer();
    if (!makeCurrent())
        return;
    const qreal dpr = m_window->devicePixelRatio();
    const QSize size(qRound(m_window->width() * dpr), qRound(m_window->height() * dpr));
    if (size.isEmpty())
        return;
    const GLuint target = m_context->defaultFramebufferObject();
    bool newFrame = false;
    if (m_render) {
        // Only the libmpv output hands frames to the renderer; until it does
        // (the engine may still be on its dormant output) mpv draws black.
        newFrame = (mpv_render_context_update(m_render) & MPV_RENDER_UPDATE_FRAME) != 0;
        m_hadFrame = m_hadFrame || newFrame;
        renderInto(m_render, target, size);
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
    if (newFrame) {
        ++m_framesSinceSeek;
        if (m_seekFramePending)
            traceSeekDrawn();
    }
    if (m_hadFrame && m_engine && m_engine->videoActive())
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
    if (!makeCurrent())
        return {};
    const qreal dpr = devicePixelRatioF();
    QImage image(QSize(qRound(width() * dpr), qRound(height() * dpr)), QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::black);
    const QRect dest = videoRect();
    if (m_render && !dest.isEmpty()) {
        const QSize side(std::min(qRound(dest.width() * dpr), MaxOffscreenSide),
                         std::min(qRound(dest.height() * dpr), MaxOffscreenSide));
        QPainter painter(&image);
        painter.drawImage(QRectF(dest), renderOffscreen(m_context.get(), m_render, side));
    }
    return image;
}
