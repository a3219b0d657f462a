#include "platform/media/VideoTarget.h"

#include <QHash>

namespace {

// Stand-ins for native window handles. Never reused, so a stale number
// held by a caller can't reach a newer target.
QHash<int, VideoTarget *> &registry()
{
    static QHash<int, VideoTarget *> targets;
    return targets;
}
int g_lastHandle = 0x10000;

} // namespace

VideoTarget::VideoTarget()
    : m_handle(++g_lastHandle)
{
    registry().insert(m_handle, this);
}

VideoTarget::~VideoTarget()
{
    withdrawHandle();
}

void VideoTarget::withdrawHandle()
{
    registry().remove(m_handle);
}

VideoTarget *VideoTarget::fromHandle(int handle)
{
    return registry().value(handle, nullptr);
}
