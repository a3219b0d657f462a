#include "platform/media/VideoSurface.h"

#include "platform/media/MediaEngine.h"

#include <QHash>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLFramebufferObject>

#include <mpv/render_gl.h>

#include <algorithm>

namespace {

// Stand-ins for native window handles. Never reused, so a stale number
// held by a caller can't reach a newer surface.
QHash<int, VideoSurface *> &registry()
{
    static QHash<int, VideoSurface *> surfaces;
    return surfaces;
}
int g_lastHandle = 0x10000;

// Cap for the off-screen picture of an oversized destination; it is then
// scaled up by the blit.
constexpr int MaxOffscreenSide = 4096;

void *procAddress(void *, const char *name)
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void *>(context->getProcAddress(QByteArray(name))) : nullptr;
}

} // namespace

VideoSurface::VideoSurface(QWidget *parent)
    : QOpenGLWidget(parent)
    , m_handle(++g_lastHandle)
{
    registry().insert(m_handle, this);
    connect(this, &QOpenGLWidget::frameSwapped, this, &VideoSurface::onFrameSwapped);
}

VideoSurface::~VideoSurface()
{
    // QOpenGLWidget's own destructor destroys the context after this object
    // is gone; its aboutToBeDestroyed must not reach this object then.
    QObject::disconnect(m_contextGone);
    registry().remove(m_handle);
    destroyRenderer();
    if (m_engine)
        m_engine->surfaceDetached(this);
    m_engine = nullptr;
    if (m_fbo) {
        makeCurrent();
        m_fbo.reset();
        doneCurrent();
    }
}

VideoSurface *VideoSurface::fromHandle(int handle)
{
    return registry().value(handle, nullptr);
}

void VideoSurface::setEngine(MediaEngine *engine)
{
    if (engine == m_engine)
        return;
    if (m_engine) {
        destroyRenderer();
        m_engine->surfaceDetached(this);
        m_engine = nullptr;
    }
    if (engine) {
        // One renderer per core: take the engine away from another surface.
        if (engine->m_surface && engine->m_surface != this)
            engine->m_surface->engineGone();
        m_engine = engine;
        engine->surfaceAttached(this);
        if (isValid())
            createRenderer();
    }
    update();
}

void VideoSurface::setDestination(const QRect &rect)
{
    if (rect == m_destination)
        return;
    m_destination = rect;
    update();
}

void VideoSurface::initializeGL()
{
    // The context dies when the widget moves to another top-level window;
    // the renderer has to go with it and is rebuilt in the next initializeGL().
    QObject::disconnect(m_contextGone);
    m_contextGone = connect(
        context(), &QOpenGLContext::aboutToBeDestroyed, this,
        [this] {
            destroyRenderer();
            m_fbo.reset();
        },
        Qt::DirectConnection);
    if (m_engine)
        createRenderer();
}

void VideoSurface::createRenderer()
{
    if (m_render || !m_engine || !m_engine->handleForSurface() || !context())
        return;
    const bool switched = QOpenGLContext::currentContext() != context();
    if (switched)
        makeCurrent();

    mpv_opengl_init_params glInit{&procAddress, nullptr};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char *>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context *render = nullptr;
    if (mpv_render_context_create(&render, m_engine->handleForSurface(), params) >= 0) {
        m_render = render;
        m_hadFrame = false;
        mpv_render_context_set_update_callback(m_render, &VideoSurface::onUpdate, this);
    }
    if (switched)
        doneCurrent();
    if (m_render)
        m_engine->surfaceRenderReady(true);
}

void VideoSurface::destroyRenderer()
{
    if (!m_render)
        return;
    // Video off first, so the core is not using the renderer while it goes.
    if (m_engine)
        m_engine->surfaceRenderReady(false);
    const bool switched = QOpenGLContext::currentContext() != context();
    if (switched)
        makeCurrent();
    mpv_render_context_set_update_callback(m_render, nullptr, nullptr);
    mpv_render_context_free(m_render);
    m_render = nullptr;
    if (switched)
        doneCurrent();
    m_updateQueued.store(false);
}

void VideoSurface::engineGone()
{
    destroyRenderer();
    if (m_engine)
        m_engine->surfaceDetached(this);
    m_engine = nullptr;
    update();
}

void VideoSurface::onUpdate(void *ctx)
{
    // Runs on an mpv thread: only ask for a repaint on ours.
    auto *self = static_cast<VideoSurface *>(ctx);
    if (!self->m_updateQueued.exchange(true)) {
        // The flag drops when the request arrives, not when it is painted:
        // a hidden widget never paints, and its next frames must still ask.
        QMetaObject::invokeMethod(
            self,
            [self] {
                self->m_updateQueued.store(false);
                self->update();
            },
            Qt::QueuedConnection);
    }
}

void VideoSurface::paintGL()
{
    QOpenGLExtraFunctions *gl = context()->extraFunctions();
    const GLuint target = defaultFramebufferObject();
    gl->glBindFramebuffer(GL_FRAMEBUFFER, target);
    gl->glClearColor(0, 0, 0, 1);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    if (!m_render)
        return;

    const qreal dpr = devicePixelRatioF();
    const QSize full(qRound(width() * dpr), qRound(height() * dpr));
    const QRect dest = m_destination.isEmpty()
                           ? QRect(QPoint(0, 0), full)
                           : QRect(qRound(m_destination.x() * dpr), qRound(m_destination.y() * dpr),
                                   qRound(m_destination.width() * dpr), qRound(m_destination.height() * dpr));
    if (dest.isEmpty())
        return;

    // Only the libmpv output hands frames to the renderer; until it does
    // (the engine may still be on its dormant output) the picture is black.
    if (mpv_render_context_update(m_render) & MPV_RENDER_UPDATE_FRAME)
        m_hadFrame = true;
    int flipY = 1;
    const bool direct = dest == QRect(QPoint(0, 0), full);
    GLuint fboId = target;
    QSize fboSize = full;
    if (!direct) {
        // mpv fills whatever target it is given, so a destination is drawn
        // off-screen at its own size and copied into place.
        fboSize = QSize(std::min(dest.width(), MaxOffscreenSide), std::min(dest.height(), MaxOffscreenSide));
        if (!m_fbo || m_fbo->size() != fboSize)
            m_fbo = std::make_unique<QOpenGLFramebufferObject>(fboSize);
        fboId = m_fbo->handle();
    }
    mpv_opengl_fbo fbo{static_cast<int>(fboId), fboSize.width(), fboSize.height(), 0};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(m_render, params);

    if (!direct) {
        // Both pictures are bottom-up, so only the rectangle's vertical
        // origin changes; the blit clips what falls outside the widget.
        gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, fboId);
        gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
        const int bottom = full.height() - (dest.y() + dest.height());
        gl->glBlitFramebuffer(0, 0, fboSize.width(), fboSize.height(), dest.x(), bottom,
                              dest.x() + dest.width(), bottom + dest.height(), GL_COLOR_BUFFER_BIT,
                              GL_LINEAR);
        gl->glBindFramebuffer(GL_FRAMEBUFFER, target);
    }
    m_drewFrame = true;
    if (m_hadFrame && m_engine && m_engine->m_videoActive)
        Q_EMIT frameDrawn();
}

void VideoSurface::onFrameSwapped()
{
    if (!m_render || !m_drewFrame)
        return;
    m_drewFrame = false;
    makeCurrent();
    mpv_render_context_report_swap(m_render);
    doneCurrent();
}
