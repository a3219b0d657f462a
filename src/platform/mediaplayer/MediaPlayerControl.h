#pragma once

#include "platform/mediaplayer/IMediaPlayerControl.h"

#include <QPointer>
#include <QSize>
#include <QTimer>
#include <QWidget>

#include <cstdint>

class MediaEngine;
class VideoSurface;
class FullScreenVideoWindow;

/// Display sizes of the media player control (its property 1032).
namespace DisplaySizeMode {
constexpr int Default = 0;      ///< the video's natural size
constexpr int HalfSize = 1;     ///< half the natural size
constexpr int DoubleSize = 2;   ///< twice the natural size
constexpr int FullScreen = 3;   ///< the video alone covers the screen
constexpr int FitToSize = 4;    ///< the control keeps its size; the video fits in
constexpr int OneSixteenth = 5; ///< 1/16 of the screen's area
constexpr int OneFourth = 6;    ///< 1/4 of the screen's area
constexpr int OneHalf = 7;      ///< 1/2 of the screen's area
} // namespace DisplaySizeMode

/// The size, in pixels, the control takes for a display size.
///
/// `natural` is the video's size (empty when there is no video), `current`
/// the control's size now, `screen` the screen's size. Without a video the
/// current size stands for the natural one. Full screen and fit to size keep
/// `current`; 5..7 cover the given fraction of the screen's area in the
/// video's shape. A pure function, for the control and for tests.
QSize sizeForDisplaySize(int displaySize, const QSize &natural, const QSize &current, const QSize &screen);

/// The media player control: a widget that plays one media file with
/// libmpv and honours the members, units and events the player expects of
/// it (`MPlayer` on the main window).
///
/// Members act at once. A file is loaded when FileName is set and waits,
/// stopped at its start, for Play. A file that cannot be played leaves the
/// control closed (PlayState 6) and shows, inside the control, a short
/// message with the file's name; nothing is raised and no box pops up.
///
/// The control takes the keyboard focus like any control and raises its key
/// and mouse events instead of acting on keys itself; geometry is in twips.
/// Values it cannot take (a rate of 0, a NaN position, a display size
/// outside 0..7) raise RuntimeError(InvalidProcedureCall).
///
/// GUI thread only.
class MediaPlayerControl final : public QWidget, public IMediaPlayerControl {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MediaPlayerControl)

public:
    explicit MediaPlayerControl(QWidget *parent = nullptr);
    ~MediaPlayerControl() override;

    // Playback (IMediaPlayerControl).
    QString FileName() const override { return m_fileName; }
    void setFileName(const QString &name) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void FastForward() override;
    void FastReverse() override;
    bool CanScan() const override;
    double CurrentPosition() const override;
    void setCurrentPosition(double seconds) override;
    double Duration() const override;
    bool EndedShort() const override;
    double Rate() const override { return m_rate; }
    void setRate(double rate) override;
    int PlayState() const override { return m_playState; }
    bool Mute() const override { return m_mute; }
    void setMute(bool mute) override;

    /// One of DisplaySizeMode; the control resizes itself when it is set.
    /// Leaving full screen puts the control back as it was, without resizing.
    int DisplaySize() const { return m_displaySize; }
    void setDisplaySize(int mode);
    /// True while the video covers the screen.
    bool isFullScreenShown() const;

    /// Property 19: kept and returned, it changes nothing.
    std::int32_t Property19() const { return m_property19; }
    void setProperty19(std::int32_t value) { m_property19 = value; }

    // The control on its form, in twips (x factor for Left and Width, y for
    // Top and Height). Visible is the control's own flag (setVisible sets it).
    bool Visible() const { return !isHidden(); }
    double Left() const;
    double Top() const;
    double Width() const;
    double Height() const;
    void setLeft(double twips);
    void setTop(double twips);
    void setWidth(double twips);
    void setHeight(double twips);
    void Move(double left, double top, double width, double height);

    /// The message shown in place of the video; empty when none.
    QString message() const { return m_message; }
    /// The engine and the surface that shows it in the control (tests,
    /// benchmarks).
    MediaEngine *engine() const override { return m_engine; }
    VideoSurface *surface() const { return m_surface; }

Q_SIGNALS:
    /// A key went down while the control had the focus: its virtual key code
    /// and shift state (ShiftState bits).
    void KeyDown(int keyCode, int shift);
    /// A key typed a character (its character code).
    void KeyPress(int keyAscii);
    /// A mouse button went down: button bit, shift state, position in twips.
    void MouseDown(int button, int shift, double x, double y);
    /// A double click: button bit, shift state, position in twips.
    void DblClick(int button, int shift, double x, double y);
    /// PlayState moved from oldState to newState.
    void PlayStateChange(int oldState, int newState);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    friend class FullScreenVideoWindow;

    bool isLoaded() const;
    void setPlayState(int state);
    void showFailure(const QString &name, const QString &reason);
    void clearFailure();
    void endScan();
    void applySpeedAndMute();
    void onEndOfMedia();
    void onEngineEndFile(int reason);
    void reverseStep();
    void enterFullScreen();
    void leaveFullScreen();
    void raiseKey(QKeyEvent *event);
    void raiseMouse(QMouseEvent *event, bool doubleClick, const QPointF &pos);

    MediaEngine *m_engine = nullptr;
    VideoSurface *m_surface = nullptr;
    QPointer<FullScreenVideoWindow> m_fullScreen;
    QTimer m_reverseTimer;

    QString m_fileName;
    QString m_message;
    int m_playState = MediaPlayState::Closed;
    double m_rate = 1.0;
    bool m_mute = false;
    bool m_atEnd = false; ///< the position rests at the end of the media
    double m_reversePosition = 0;
    int m_displaySize = DisplaySizeMode::Default;
    int m_sizeBeforeFullScreen = DisplaySizeMode::Default;
    std::int32_t m_property19 = 0;
};
