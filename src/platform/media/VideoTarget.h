#pragma once

#include <QRect>
#include <QSize>

class MediaEngine;

/// A place that shows the video of one engine, known by a handle: a small
/// non-zero integer, unique for the life of the process, that stands in for a
/// native window handle. Layers that address a video window by number (the
/// MCI interpreter's "window <alias> handle <H>") find it with fromHandle()
/// and drive it through this interface alone, without knowing what draws.
///
/// A target registers itself while it lives; a handle held after its target
/// is gone finds nothing. GUI thread only.
class VideoTarget {
public:
    VideoTarget();
    virtual ~VideoTarget();
    VideoTarget(const VideoTarget &) = delete;
    VideoTarget &operator=(const VideoTarget &) = delete;

    /// This target's handle: non-zero, never reused while the process runs.
    int handle() const { return m_handle; }
    /// The live target with `handle`, or nullptr (never existed, or gone).
    static VideoTarget *fromHandle(int handle);

    /// Shows `engine` from now on; nullptr shows black.
    virtual void setEngine(MediaEngine *engine) = 0;
    /// The engine shown, or nullptr.
    virtual MediaEngine *engine() const = 0;
    /// Rectangle, in the target's pixels, into which the video is drawn; an
    /// empty rectangle means the whole target.
    virtual void setDestination(const QRect &rect) = 0;
    /// The target's size in pixels.
    virtual QSize targetSize() const = 0;

protected:
    /// Takes the handle out of the registry early, for a target whose own
    /// teardown must not be found by it any more.
    void withdrawHandle();

private:
    int m_handle = 0;
};
