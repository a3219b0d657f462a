#include "platform/media/VideoSurface.h"

#include "platform/media/MediaEngine.h"

VideoSurface::VideoSurface(QWidget *parent)
    : QOpenGLWidget(parent)
{}

VideoSurface::~VideoSurface() = default;

VideoSurface *VideoSurface::fromHandle(int)
{
    return nullptr;
}

void VideoSurface::setEngine(MediaEngine *engine)
{
    m_engine = engine;
}

void VideoSurface::setDestination(const QRect &rect)
{
    m_destination = rect;
}

void VideoSurface::initializeGL() {}
void VideoSurface::paintGL() {}
void VideoSurface::engineGone() {}
