#include "platform/media/MediaEngine.h"

#include "platform/media/VideoSurface.h"

MediaEngine::MediaEngine(QObject *parent)
    : QObject(parent)
{}

MediaEngine::~MediaEngine() = default;

MediaEngine::LoadResult MediaEngine::loadSync(const QString &, int, bool)
{
    return LoadResult::Failed;
}

void MediaEngine::loadAsync(const QString &, bool) {}
void MediaEngine::unload() {}
void MediaEngine::setPaused(bool) {}
void MediaEngine::seek(double, bool) {}
bool MediaEngine::seekSync(double, bool, int)
{
    return false;
}
void MediaEngine::setSpeed(double) {}
void MediaEngine::setMute(bool) {}
void MediaEngine::setVolume(double) {}
void MediaEngine::setVideoEnabled(bool) {}
void MediaEngine::setKeepAspect(bool) {}
bool MediaEngine::setOption(const char *, const QVariant &)
{
    return false;
}
QVariant MediaEngine::readProperty(const char *) const
{
    return {};
}
void MediaEngine::drain() {}
void MediaEngine::surfaceAttached(VideoSurface *) {}
void MediaEngine::surfaceRenderReady(bool) {}
void MediaEngine::surfaceDetached(VideoSurface *) {}
