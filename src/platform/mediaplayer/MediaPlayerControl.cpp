#include "platform/mediaplayer/MediaPlayerControl.h"

#include "platform/forms/KeyCodes.h"
#include "platform/forms/ScreenMetrics.h"
#include "platform/media/MediaEngine.h"
#include "platform/video/VideoSurface.h"
#include "util/FileNames.h"
#include "util/RuntimeError.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <cmath>

namespace {

// Opening a local file takes well under a second; the bound only keeps a
// hung network path from freezing the window for good.
constexpr int LoadTimeoutMs = 10000;
// Scanning forward plays this many times faster than the chosen rate.
constexpr double ScanForwardFactor = 5.0;
// Scanning backward steps this far back on every tick: about five times
// normal speed, with a frame shown at each step.
constexpr int ReverseTickMs = 150;
constexpr double ReverseStepSeconds = 0.75;

const QColor kBackground(Qt::black);
const QColor kMessageColor(0xE0, 0xE0, 0xE0);

void invalidValue()
{
    throw RuntimeError(ErrNo::InvalidProcedureCall);
}

QSize screenPixels()
{
    const ScreenMetrics &m = screenMetrics();
    return QSize(twipsToPixelsX(m.screenSize.width()), twipsToPixelsY(m.screenSize.height()));
}

/// A black window that shows the video on `surface`. Keys and mouse buttons
/// belong to the window, whichever child is under them.
void setUpVideoWindow(QWidget *window, VideoSurface *surface)
{
    window->setFocusPolicy(Qt::StrongFocus);
    QPalette p = window->palette();
    p.setColor(QPalette::Window, kBackground);
    window->setPalette(p);
    window->setAutoFillBackground(true);
    surface->setAttribute(Qt::WA_TransparentForMouseEvents);
    surface->setFocusPolicy(Qt::NoFocus);
}

} // namespace

QSize sizeForDisplaySize(int displaySize, const QSize &natural, const QSize &current, const QSize &screen)
{
    const QSize base = natural.isEmpty() ? current : natural;
    switch (displaySize) {
    case DisplaySizeMode::Default: return base;
    case DisplaySizeMode::HalfSize: return QSize((base.width() + 1) / 2, (base.height() + 1) / 2);
    case DisplaySizeMode::DoubleSize: return base * 2;
    case DisplaySizeMode::OneSixteenth:
    case DisplaySizeMode::OneFourth:
    case DisplaySizeMode::OneHalf: {
        static const double fractions[] = {1.0 / 16, 1.0 / 4, 1.0 / 2};
        const double fraction = fractions[displaySize - DisplaySizeMode::OneSixteenth];
        // Without any shape to go by, the usual 4:3 of a video window.
        const double aspect = base.isEmpty() ? 4.0 / 3.0 : double(base.width()) / base.height();
        const double area = fraction * screen.width() * screen.height();
        const double width = std::sqrt(area * aspect);
        return QSize(qRound(width), qRound(width / aspect));
    }
    default: return current;
    }
}

/// The window that shows the video alone over the whole screen. Its keys
/// and mouse buttons raise the control's own events, so the player reacts
/// to them as in the window; Escape or closing it leaves full screen.
class FullScreenVideoWindow final : public QWidget {
public:
    explicit FullScreenVideoWindow(MediaPlayerControl *owner)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
        , m_owner(owner)
        , m_surface(new VideoSurface(this))
    {
        setWindowTitle(owner->window()->windowTitle());
        setUpVideoWindow(this, m_surface);
    }

    VideoSurface *surface() const { return m_surface; }

protected:
    void resizeEvent(QResizeEvent *) override { m_surface->setGeometry(rect()); }
    void keyPressEvent(QKeyEvent *event) override
    {
        event->accept();
        if (event->key() == Qt::Key_Escape && m_owner) {
            leave();
            return;
        }
        if (m_owner)
            m_owner->raiseKey(event);
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        if (m_owner)
            m_owner->raiseMouse(event, false, event->position());
    }
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        if (m_owner)
            m_owner->raiseMouse(event, true, event->position());
    }
    void closeEvent(QCloseEvent *event) override
    {
        // The window manager closed it: the control leaves full screen.
        event->ignore();
        leave();
    }

private:
    void leave()
    {
        QPointer<MediaPlayerControl> owner = m_owner;
        runGuarded("MPlayer_LeaveFullScreen", [&] {
            if (owner && owner->isFullScreenShown())
                owner->setDisplaySize(owner->m_sizeBeforeFullScreen);
        });
    }

    QPointer<MediaPlayerControl> m_owner;
    VideoSurface *m_surface;
};

MediaPlayerControl::MediaPlayerControl(QWidget *parent)
    : QWidget(parent)
    , m_engine(new MediaEngine(this))
    , m_surface(new VideoSurface(this))
{
    setUpVideoWindow(this, m_surface);
    m_surface->setEngine(m_engine);
    m_engine->setKeepAspect(true);

    m_reverseTimer.setInterval(ReverseTickMs);
    connect(&m_reverseTimer, &QTimer::timeout, this,
            [this] { runGuarded("MPlayer_ScanReverse", [this] { reverseStep(); }); });
    connect(m_engine, &MediaEngine::eofReachedChanged, this, [this](bool eof) {
        runGuarded("MPlayer_EndOfStream", [&] {
            m_atEnd = eof;
            if (eof)
                onEndOfMedia();
        });
    });
    connect(m_engine, &MediaEngine::endFile, this,
            [this](int reason) { runGuarded("MPlayer_EndFile", [&] { onEngineEndFile(reason); }); });
}

MediaPlayerControl::~MediaPlayerControl()
{
    m_reverseTimer.stop();
    delete m_fullScreen.data();
}

bool MediaPlayerControl::isLoaded() const
{
    return m_playState != MediaPlayState::Closed && m_playState != MediaPlayState::Waiting &&
           m_engine->isLoaded();
}

void MediaPlayerControl::setPlayState(int state)
{
    if (state == m_playState)
        return;
    const int old = m_playState;
    m_playState = state;
    Q_EMIT PlayStateChange(old, state);
}

void MediaPlayerControl::setFileName(const QString &name)
{
    endScan();
    m_atEnd = false;
    m_fileName = name;
    // Every file starts at normal speed; muting is the user's and stays.
    m_rate = 1.0;
    clearFailure();

    if (name.isEmpty()) {
        m_engine->unload();
        setPlayState(MediaPlayState::Closed);
        return;
    }

    setPlayState(MediaPlayState::Waiting);
    const MediaEngine::LoadResult result = m_engine->loadSync(name, LoadTimeoutMs, true);
    if (result == MediaEngine::LoadResult::Loaded && !m_engine->hasVideo() && !m_engine->hasAudio()) {
        m_engine->unload();
        showFailure(name, QStringLiteral("映像も音声も含まれていません。"));
        return;
    }
    switch (result) {
    case MediaEngine::LoadResult::Loaded:
        applySpeedAndMute();
        setPlayState(MediaPlayState::Stopped);
        break;
    case MediaEngine::LoadResult::TimedOut:
        showFailure(name, QStringLiteral("時間内に開けませんでした。"));
        break;
    case MediaEngine::LoadResult::Failed:
        showFailure(name, fileStatus(name).exists ? QStringLiteral("再生できない形式か、壊れたファイルです。")
                                                  : QStringLiteral("ファイルが見つかりません。"));
        break;
    }
}

void MediaPlayerControl::showFailure(const QString &name, const QString &reason)
{
    const QString base = name.section(QLatin1Char('/'), -1);
    const QString shown = readableFileName(base.isEmpty() ? name : base);
    m_message = QStringLiteral("「%1」を再生できません。\n%2").arg(shown, reason);
    m_surface->hide();
    setPlayState(MediaPlayState::Closed);
    update();
}

void MediaPlayerControl::clearFailure()
{
    if (m_message.isEmpty())
        return;
    m_message.clear();
    m_surface->show();
    update();
}

void MediaPlayerControl::Play()
{
    if (!isLoaded())
        return;
    m_reverseTimer.stop();
    // Play at the end starts over, as a listener expects.
    if (m_atEnd) {
        m_atEnd = false;
        m_engine->seek(0, true);
    }
    setPlayState(MediaPlayState::Playing);
    applySpeedAndMute();
    m_engine->setPaused(false);
}

void MediaPlayerControl::Pause()
{
    if (!isLoaded())
        return;
    if (m_playState == MediaPlayState::Stopped) {
        // Stopped stays stopped; the engine is made sure to agree.
        m_engine->setPaused(true);
        return;
    }
    m_reverseTimer.stop();
    m_engine->setPaused(true);
    setPlayState(MediaPlayState::Paused);
    applySpeedAndMute();
}

void MediaPlayerControl::Stop()
{
    if (!isLoaded())
        return;
    m_reverseTimer.stop();
    m_atEnd = false;
    m_engine->setPaused(true);
    m_engine->seek(0, true);
    setPlayState(MediaPlayState::Stopped);
    applySpeedAndMute();
}

void MediaPlayerControl::FastForward()
{
    if (!CanScan() || m_atEnd)
        return;
    m_reverseTimer.stop();
    setPlayState(MediaPlayState::ScanForward);
    applySpeedAndMute();
    m_engine->setPaused(false);
}

void MediaPlayerControl::FastReverse()
{
    if (!CanScan())
        return;
    m_engine->setPaused(true);
    m_reversePosition = m_engine->position();
    setPlayState(MediaPlayState::ScanReverse);
    applySpeedAndMute();
    m_reverseTimer.start();
}

void MediaPlayerControl::reverseStep()
{
    if (m_playState != MediaPlayState::ScanReverse || !isLoaded()) {
        m_reverseTimer.stop();
        return;
    }
    m_reversePosition = std::max(0.0, m_reversePosition - ReverseStepSeconds);
    m_engine->seek(m_reversePosition, true);
    if (m_reversePosition <= 0) {
        m_reverseTimer.stop();
        setPlayState(MediaPlayState::Stopped);
        applySpeedAndMute();
    }
}

void MediaPlayerControl::endScan()
{
    m_reverseTimer.stop();
}

void MediaPlayerControl::applySpeedAndMute()
{
    const bool scanning =
        m_playState == MediaPlayState::ScanForward || m_playState == MediaPlayState::ScanReverse;
    m_engine->setSpeed(m_playState == MediaPlayState::ScanForward ? m_rate * ScanForwardFactor : m_rate);
    m_engine->setMute(m_mute || scanning);
}

void MediaPlayerControl::onEndOfMedia()
{
    if (m_playState == MediaPlayState::Playing || m_playState == MediaPlayState::ScanForward) {
        setPlayState(MediaPlayState::Stopped);
        applySpeedAndMute();
    }
    // The core pauses at the end on its own only when no sound is still
    // queued; a seek back from there must not find it running while the
    // control says stopped.
    if (m_playState != MediaPlayState::ScanReverse)
        m_engine->setPaused(true);
}

void MediaPlayerControl::onEngineEndFile(int reason)
{
    // Our own loads and unloads end the previous file too; only an error in
    // a file that was playing closes the control.
    if (reason != MediaEngine::EndError || !isLoaded())
        return;
    endScan();
    showFailure(m_fileName, QStringLiteral("再生中にエラーが発生しました。"));
}

bool MediaPlayerControl::CanScan() const
{
    return isLoaded() && m_engine->seekable() && m_engine->hasVideo();
}

double MediaPlayerControl::CurrentPosition() const
{
    return isLoaded() ? m_engine->position() : 0.0;
}

void MediaPlayerControl::setCurrentPosition(double seconds)
{
    if (!std::isfinite(seconds))
        invalidValue();
    if (!isLoaded())
        return;
    m_reversePosition = std::max(0.0, seconds);
    // Decided here rather than from the engine's end flag, which catches up
    // only after the seek: a Play right after must not start over.
    m_atEnd = seconds >= m_engine->duration() && m_engine->duration() > 0;
    m_engine->seek(seconds, true);
    // After every seek the engine runs exactly when the control says it
    // plays. Playing on to the end is what makes the end known (paused
    // there, the core never reports it); onEndOfMedia then stops both.
    switch (m_playState) {
    case MediaPlayState::Playing:
    case MediaPlayState::ScanForward: m_engine->setPaused(false); break;
    case MediaPlayState::Stopped:
    case MediaPlayState::Paused: m_engine->setPaused(true); break;
    default: break;
    }
}

bool MediaPlayerControl::EndedShort() const
{
    return isLoaded() && m_engine->endedShort();
}

double MediaPlayerControl::Duration() const
{
    return isLoaded() ? m_engine->duration() : 0.0;
}

void MediaPlayerControl::setRate(double rate)
{
    if (!std::isfinite(rate) || rate <= 0)
        invalidValue();
    m_rate = rate;
    applySpeedAndMute();
}

void MediaPlayerControl::setMute(bool mute)
{
    m_mute = mute;
    applySpeedAndMute();
}

void MediaPlayerControl::setDisplaySize(int mode)
{
    if (mode < DisplaySizeMode::Default || mode > DisplaySizeMode::OneHalf)
        invalidValue();
    if (mode == DisplaySizeMode::FullScreen) {
        if (m_displaySize != DisplaySizeMode::FullScreen)
            m_sizeBeforeFullScreen = m_displaySize;
        m_displaySize = mode;
        // A hidden control (the other engine plays) only keeps the value.
        if (!m_fullScreen && isVisible())
            enterFullScreen();
        return;
    }
    const bool wasFullScreen = m_displaySize == DisplaySizeMode::FullScreen;
    m_displaySize = mode;
    if (wasFullScreen) {
        // The control never left its place; it comes back as it was.
        leaveFullScreen();
        return;
    }
    resize(sizeForDisplaySize(mode, isLoaded() ? m_engine->videoSize() : QSize(), size(), screenPixels()));
}

bool MediaPlayerControl::isFullScreenShown() const
{
    return !m_fullScreen.isNull();
}

void MediaPlayerControl::enterFullScreen()
{
    auto *window = new FullScreenVideoWindow(this);
    m_fullScreen = window;
    QScreen *screen = this->screen();
    if (screen)
        window->setGeometry(screen->geometry());
    window->surface()->setEngine(m_engine); // the control's own surface draws black meanwhile
    window->showFullScreen();
    window->raise();
    window->activateWindow();
    window->setFocus();
}

void MediaPlayerControl::leaveFullScreen()
{
    if (!m_fullScreen)
        return;
    FullScreenVideoWindow *window = m_fullScreen;
    m_fullScreen = nullptr;
    window->hide();
    window->deleteLater(); // may be inside one of its own event handlers
    m_surface->setEngine(m_engine);
    if (QWidget *top = this->window()) {
        top->activateWindow();
        setFocus();
    }
}

double MediaPlayerControl::Left() const
{
    return pixelsToTwipsX(x());
}

double MediaPlayerControl::Top() const
{
    return pixelsToTwipsY(y());
}

double MediaPlayerControl::Width() const
{
    return pixelsToTwipsX(width());
}

double MediaPlayerControl::Height() const
{
    return pixelsToTwipsY(height());
}

void MediaPlayerControl::setLeft(double twips)
{
    move(twipsToPixelsX(twips), y());
}

void MediaPlayerControl::setTop(double twips)
{
    move(x(), twipsToPixelsY(twips));
}

void MediaPlayerControl::setWidth(double twips)
{
    resize(std::max(0, twipsToPixelsX(twips)), height());
}

void MediaPlayerControl::setHeight(double twips)
{
    resize(width(), std::max(0, twipsToPixelsY(twips)));
}

void MediaPlayerControl::Move(double left, double top, double width, double height)
{
    setGeometry(twipsToPixelsX(left), twipsToPixelsY(top), std::max(0, twipsToPixelsX(width)),
                std::max(0, twipsToPixelsY(height)));
}

void MediaPlayerControl::raiseKey(QKeyEvent *event)
{
    event->accept();
    // A handler may close the window; read everything from the event first.
    const int keyCode = virtualKeyOf(*event);
    const int shift = shiftStateOf(*event);
    const int keyAscii = keyAsciiOf(*event);
    QPointer<MediaPlayerControl> self(this);
    if (keyCode != 0)
        Q_EMIT KeyDown(keyCode, shift);
    if (self && keyAscii != 0)
        Q_EMIT KeyPress(keyAscii);
}

void MediaPlayerControl::raiseMouse(QMouseEvent *event, bool doubleClick, const QPointF &pos)
{
    event->accept();
    const int button = mouseButtonBits(event->button());
    const int shift = shiftStateFromModifiers(event->modifiers());
    const double x = pixelsToTwipsX(pos.x());
    const double y = pixelsToTwipsY(pos.y());
    if (doubleClick)
        Q_EMIT DblClick(button, shift, x, y);
    else
        Q_EMIT MouseDown(button, shift, x, y);
}

void MediaPlayerControl::keyPressEvent(QKeyEvent *event)
{
    raiseKey(event);
}

void MediaPlayerControl::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    raiseMouse(event, false, event->position());
}

void MediaPlayerControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    raiseMouse(event, true, event->position());
}

void MediaPlayerControl::resizeEvent(QResizeEvent *)
{
    m_surface->setGeometry(rect());
}

void MediaPlayerControl::hideEvent(QHideEvent *event)
{
    // Hidden because the other engine took over: its video must not stay
    // covered by ours. The display size keeps saying full screen.
    if (!event->spontaneous() && m_fullScreen)
        leaveFullScreen();
}

void MediaPlayerControl::paintEvent(QPaintEvent *)
{
    if (m_message.isEmpty())
        return; // the background is black already; the surface covers the rest
    QPainter painter(this);
    painter.setPen(kMessageColor);
    const QRect area = rect().adjusted(6, 6, -6, -6);
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, m_message);
}
