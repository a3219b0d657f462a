#include "platform/mci/MciDevice.h"

#include "platform/mci/MciNames.h"
#include "platform/mci/MidiRenderer.h"
#include "platform/media/MediaEngine.h"
#include "platform/media/VideoTarget.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The MCI speed range this device accepts: 1 % to 100 times normal, which is
// what the engine can play.
constexpr std::uint32_t kMinPlaySpeedPercent = 1;
constexpr std::uint32_t kMaxPlaySpeedPercent = 10000;
constexpr std::uint32_t kMinSpeedPerMille = 10;
constexpr std::uint32_t kMaxSpeedPerMille = 100000;

QString number(qint64 value)
{
    return QString::number(value);
}

} // namespace

MciDevice::MciDevice(const QString &alias, const QString &type, const QString &path)
    : m_alias(alias)
    , m_type(type)
    , m_path(path)
{}

MciDevice::~MciDevice()
{
    // The target outlives us; leave it showing black over its whole area.
    if (VideoTarget *shown = targetShowingUs())
        shown->setDestination(QRect());
}

int MciDevice::load(std::unique_ptr<MediaEngine> engine, int timeoutMs)
{
    m_waitLimitMs = timeoutMs;
    m_engine = engine ? std::move(engine) : std::make_unique<MediaEngine>();
    if (!m_engine->isValid())
        return MciErr::CannotLoadDriver;
    // The picture keeps its shape (its sample aspect included) inside the
    // destination rectangle, with black bars: a 16:9 or portrait picture
    // stretched over a 4:3 area is plainly wrong.
    m_engine->setKeepAspect(true);
    QString playable = m_path;
    if (m_type == QLatin1String(MciDeviceType::Sequencer)) {
        // The engine cannot sound MIDI; the sequencer plays it rendered.
        QElapsedTimer rendering;
        rendering.start();
        m_rendered =
            std::make_unique<QTemporaryFile>(QDir::temp().filePath(QStringLiteral("kovaplex-XXXXXX.wav")));
        if (!m_rendered->open())
            return MciErr::CannotLoadDriver;
        if (const int error = MidiRenderer::render(m_path, MidiRenderer::soundFont(), *m_rendered, timeoutMs))
            return error;
        m_rendered->flush();
        playable = m_rendered->fileName();
        timeoutMs = std::max(0, timeoutMs - static_cast<int>(rendering.elapsed()));
    }
    switch (m_engine->loadSync(playable, timeoutMs, true)) {
    case MediaEngine::LoadResult::Loaded: break;
    case MediaEngine::LoadResult::Failed: return MciErr::InvalidFile;
    case MediaEngine::LoadResult::TimedOut: return MciErr::DeviceNotReady;
    }
    // A file whose length the engine cannot tell is no file MCI can play.
    if (m_engine->duration() <= 0)
        return MciErr::InvalidFile;
    m_fps = m_engine->videoFps();
    QObject::connect(m_engine.get(), &MediaEngine::positionChanged, m_engine.get(),
                     [this](double seconds) { onPosition(seconds); });
    QObject::connect(m_engine.get(), &MediaEngine::eofReachedChanged, m_engine.get(), [this](bool eof) {
        if (eof)
            refreshState();
    });
    return 0;
}

int MciDevice::execute(const MciCommand &command, QString &reply)
{
    using Verb = MciCommand::Verb;
    refreshState();
    switch (command.verb) {
    case Verb::Play: {
        const int error = play(command);
        // "wait": back when playing ends (at the end, or at "to").
        if (!error && command.wait)
            m_engine->waitFor(
                [this] {
                    refreshState();
                    // A stop at "to" puts the position back there: that too.
                    return m_state != State::Playing && !m_engine->seeking();
                },
                m_waitLimitMs);
        return error;
    }
    case Verb::Pause: return pause();
    case Verb::Resume: return resume();
    case Verb::Stop: return stop();
    case Verb::Seek: {
        const int error = seek(command);
        if (!error && command.wait)
            m_engine->waitFor([this] { return !m_engine->seeking(); }, m_waitLimitMs);
        return error;
    }
    case Verb::Set: return set(command);
    case Verb::Status: return status(command, reply);
    case Verb::Window: return window(command);
    case Verb::Put: return put(command);
    case Verb::Open:
    case Verb::Close: break;
    }
    return MciErr::UnsupportedFunction;
}

void MciDevice::refreshState()
{
    // Reaching the end (or the "to" of a play) leaves the device stopped there.
    if (m_state == State::Playing && m_engine->eofReached()) {
        m_state = State::Stopped;
        m_playToMs = -1;
    }
}

void MciDevice::onPosition(double seconds)
{
    if (m_state != State::Playing || m_playToMs < 0 || std::llround(seconds * 1000.0) < m_playToMs)
        return;
    const qint64 target = m_playToMs;
    m_state = State::Stopped;
    m_playToMs = -1;
    m_engine->setPaused(true);
    seekEngine(target);
}

qint64 MciDevice::lengthMs() const
{
    return std::llround(m_engine->duration() * 1000.0);
}

qint64 MciDevice::positionMs() const
{
    // At the end the engine reports the length, or where a cut file's data
    // ran out.
    return std::clamp<qint64>(std::llround(m_engine->position() * 1000.0), 0, lengthMs());
}

qint64 MciDevice::toUnits(qint64 ms) const
{
    if (!m_frames)
        return ms;
    // The frame shown at a time is the one that started at or before it.
    return static_cast<qint64>(std::floor(static_cast<double>(ms) * m_fps / 1000.0 + 1e-6));
}

qint64 MciDevice::fromUnits(qint64 units) const
{
    if (!m_frames)
        return units;
    return std::llround(static_cast<double>(units) * 1000.0 / m_fps);
}

void MciDevice::seekEngine(qint64 ms)
{
    m_engine->seek(static_cast<double>(ms) / 1000.0, true);
}

int MciDevice::play(const MciCommand &command)
{
    const qint64 length = toUnits(lengthMs());
    if ((command.hasFrom && command.from > length) || (command.hasTo && command.to > length))
        return MciErr::OutOfRange;
    const qint64 start = command.hasFrom ? command.from : toUnits(positionMs());
    if (command.hasTo && command.to < start)
        return MciErr::OutOfRange;
    if (command.hasSpeed && (command.speed < kMinPlaySpeedPercent || command.speed > kMaxPlaySpeedPercent))
        return MciErr::OutOfRange;

    if (command.hasSpeed) {
        m_speed = command.speed / 100.0;
        m_engine->setSpeed(m_speed);
    }
    if (command.hasFrom)
        seekEngine(fromUnits(command.from));
    m_playToMs = command.hasTo ? fromUnits(command.to) : -1;

    const qint64 startMs = command.hasFrom ? fromUnits(command.from) : positionMs();
    const qint64 endMs = m_playToMs >= 0 ? m_playToMs : lengthMs();
    if (startMs >= endMs) {
        // Nothing left to play: the device ends where it is, stopped.
        m_engine->setPaused(true);
        m_state = State::Stopped;
        m_playToMs = -1;
        return 0;
    }
    m_engine->setPaused(false);
    m_state = State::Playing;
    return 0;
}

int MciDevice::pause()
{
    if (m_state == State::Playing) {
        m_engine->setPaused(true);
        m_state = State::Paused;
    }
    return 0;
}

int MciDevice::resume()
{
    if (m_state != State::Paused)
        return MciErr::NonapplicableFunction;
    m_engine->setPaused(false);
    m_state = State::Playing;
    return 0;
}

int MciDevice::stop()
{
    m_engine->setPaused(true);
    m_state = State::Stopped;
    m_playToMs = -1;
    return 0;
}

int MciDevice::seek(const MciCommand &command)
{
    qint64 targetMs = 0;
    if (command.toEnd) {
        targetMs = lengthMs();
    } else if (command.hasTo) {
        if (command.to > toUnits(lengthMs()))
            return MciErr::OutOfRange;
        targetMs = fromUnits(command.to);
    }
    m_engine->setPaused(true);
    m_state = State::Stopped;
    m_playToMs = -1;
    seekEngine(targetMs);
    return 0;
}

int MciDevice::set(const MciCommand &command)
{
    using TimeFormat = MciCommand::TimeFormat;
    // Check everything before changing anything, so a refused command has no effect.
    if (command.doorOpen || command.doorClosed)
        return MciErr::UnsupportedFunction;
    if (command.timeFormat == TimeFormat::Unsupported ||
        (command.timeFormat == TimeFormat::Frames && m_fps <= 0))
        return MciErr::BadTimeFormat;
    if (command.hasSpeed && (command.speed < kMinSpeedPerMille || command.speed > kMaxSpeedPerMille))
        return MciErr::OutOfRange;

    if (command.timeFormat != TimeFormat::None)
        m_frames = command.timeFormat == TimeFormat::Frames;
    if (command.hasSpeed) {
        m_speed = command.speed / 1000.0;
        m_engine->setSpeed(m_speed);
    }
    return 0;
}

int MciDevice::status(const MciCommand &command, QString &reply)
{
    using Item = MciCommand::StatusItem;
    const bool ready = m_engine->isLoaded();
    switch (command.item) {
    case Item::Mode:
        if (!ready)
            reply = QLatin1String(MciReply::NotReady);
        else if (m_state == State::Playing)
            reply = QLatin1String(MciReply::Playing);
        else if (m_state == State::Paused)
            reply = QLatin1String(MciReply::Paused);
        else if (m_engine->seeking())
            reply = QLatin1String(MciReply::Seeking);
        else
            reply = QLatin1String(MciReply::Stopped);
        return 0;
    case Item::Length: reply = number(toUnits(lengthMs())); return 0;
    case Item::Position: reply = number(toUnits(positionMs())); return 0;
    case Item::PositionTrack:
        // One file is one track, starting at 0.
        if (command.track != 1)
            return MciErr::OutOfRange;
        reply = QStringLiteral("0");
        return 0;
    case Item::TimeFormat:
        reply = QLatin1String(m_frames ? MciReply::Frames : MciReply::Milliseconds);
        return 0;
    case Item::PlaySpeed: reply = number(std::llround(m_speed * 100.0)); return 0;
    case Item::Speed: reply = number(std::llround(m_speed * 1000.0)); return 0;
    case Item::MediaPresent: reply = QLatin1String(MciReply::True); return 0;
    case Item::Ready: reply = QLatin1String(ready ? MciReply::True : MciReply::False); return 0;
    case Item::NumberOfTracks:
    case Item::CurrentTrack: reply = QStringLiteral("1"); return 0;
    case Item::None: break;
    }
    return MciErr::MissingParameter;
}

VideoTarget *MciDevice::target() const
{
    return m_target ? VideoTarget::fromHandle(m_target) : nullptr;
}

VideoTarget *MciDevice::targetShowingUs() const
{
    VideoTarget *bound = target();
    return bound && bound->engine() == m_engine.get() ? bound : nullptr;
}

void MciDevice::bindTarget(int handle)
{
    VideoTarget *old = targetShowingUs();
    if (old && old->handle() != handle) {
        old->setEngine(nullptr);
        old->setDestination(QRect());
    }
    m_target = handle;
    if (VideoTarget *bound = target()) {
        bound->setEngine(m_engine.get());
        bound->setDestination(m_destination);
    }
}

int MciDevice::window(const MciCommand &command)
{
    if (!command.hasHandle)
        return 0;
    if (command.handleDefault) {
        bindTarget(0);
        return 0;
    }
    if (command.handle > static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
        return MciErr::NoWindow;
    const int handle = static_cast<int>(command.handle);
    if (!VideoTarget::fromHandle(handle))
        return MciErr::NoWindow;
    bindTarget(handle);
    return 0;
}

int MciDevice::put(const MciCommand &command)
{
    QRect rect;
    if (command.hasRect) {
        constexpr auto maxInt = static_cast<std::uint32_t>(std::numeric_limits<int>::max());
        for (std::uint32_t v : command.rect) {
            if (v > maxInt)
                return MciErr::OutOfRange;
        }
        // QRect keeps its corners as int: refuse rectangles that reach past INT_MAX.
        if (std::uint64_t{command.rect[0]} + command.rect[2] > maxInt ||
            std::uint64_t{command.rect[1]} + command.rect[3] > maxInt)
            return MciErr::OutOfRange;
        rect = QRect(static_cast<int>(command.rect[0]), static_cast<int>(command.rect[1]),
                     static_cast<int>(command.rect[2]), static_cast<int>(command.rect[3]));
    }
    m_destination = rect;
    if (VideoTarget *shown = targetShowingUs())
        shown->setDestination(m_destination);
    return 0;
}
