// What the user asks of the window: the transport and skip buttons, the
// keyboard, the popup menu and the view sizes. The key map and the menu only
// name commands; the handlers here are the one place that acts on them.

#include "player/fmPlayer.h"

#include "platform/forms/Diagnostics.h"
#include "platform/forms/KeyCodes.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "platform/video/VideoSurface.h"
#include "playback/PlaybackSession.h"
#include "player/ExecMenu.h"
#include "player/PanelWidgets.h"
#include "player/ResumeRecords.h"
#include "util/RuntimeError.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>

namespace {

/// The display size each fixed view size gives the control first.
struct ViewSize {
    int widthPixels;
    int displaySize;
};
constexpr ViewSize ViewSizes[] = {
    {160, DisplaySizeMode::OneHalf},    {320, DisplaySizeMode::FitToSize},  {640, DisplaySizeMode::Default},
    {800, DisplaySizeMode::DoubleSize}, {960, DisplaySizeMode::DoubleSize},
};

/// The smallest view: the panel alone, whatever the screen's pixel size.
constexpr float MinimumVideoWidth = 780;

} // namespace

void fmPlayer::connectInput()
{
    // Keys come to the window before its controls see them, and no input
    // method sits in between: the letters are commands, not text.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    qApp->installEventFilter(this);
    PiMCI->installEventFilter(this);

    connect(m_transportRow, &ButtonRow::clicked, this, [this](int i) { BtState_Click(i); });
    connect(m_transportRow, &ButtonRow::rightPressed, this, [this] { showExecMenu(); });
    connect(m_skipRow, &ButtonRow::clicked, this, [this](int i) { BtSkip_Click(i); });
    connect(m_skipRow, &ButtonRow::rightPressed, this,
            [this](int i) { BtSkip_MouseDown(i, MouseButtonBits::Right); });
    // Queued: a choice in a track submenu changes the tracks while that
    // entry's own signal still runs.
    connect(
        m_session, &PlaybackSession::tracksChanged, this, [this] { refreshTrackMenus(); },
        Qt::QueuedConnection);

    const auto menuOnRight = [this](int button) {
        if (button & MouseButtonBits::Right)
            showExecMenu();
    };
    connect(PiCtrl, &PictureBox::MouseDown, this, menuOnRight);
    connect(PiPosition, &PictureBox::MouseDown, this, menuOnRight);
    connect(MPlayer, &MediaPlayerControl::MouseDown, this, menuOnRight);

    // The control takes the keyboard itself while it has the focus (or
    // shows full screen); its keys come here unchanged.
    connect(MPlayer, &MediaPlayerControl::KeyDown, this,
            [this](int keyCode, int shift) { Form_KeyDown(keyCode, shift); });
    connect(MPlayer, &MediaPlayerControl::KeyPress, this, [this](int keyAscii) { Form_KeyPress(keyAscii); });
    connect(MPlayer, &MediaPlayerControl::DblClick, this, [this] { MPlayer_DblClick(); });
}

void fmPlayer::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::RightButton)
        showExecMenu();
}

bool fmPlayer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const auto *widget = static_cast<QWidget *>(watched);
        if (widget->window() == this && widget != MPlayer && !MPlayer->isAncestorOf(widget)) {
            // Accepted as well as filtered, or it would be offered to every
            // parent in turn.
            const bool consumed = previewKey(static_cast<QKeyEvent *>(event));
            event->setAccepted(consumed);
            return consumed;
        }
    }
    if (watched == PiMCI && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
        showExecMenu();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool fmPlayer::previewKey(QKeyEvent *event)
{
    // A handler may close the window; read everything from the event first.
    int keyCode = virtualKeyOf(*event);
    const int shift = shiftStateOf(*event);
    int keyAscii = keyAsciiOf(*event);
    // A key that acted is not passed on: it would come back here on its way
    // up to the parents and act again.
    const bool typed = keyAscii != 0;
    const bool acted =
        typed || (keyCode != 0 && keyDownAction(keyCode, shift).command.what != PlayerCommand::None);
    if (keyCode != 0)
        Form_KeyDown(keyCode, shift);
    if (typed && !m_closed)
        Form_KeyPress(keyAscii);
    return acted;
}

void fmPlayer::Form_KeyDown(int &KeyCode, int Shift)
{
    const KeyDownAction action = keyDownAction(KeyCode, Shift);
    if (action.consumed)
        KeyCode = 0;
    runCommand(action.command);
}

void fmPlayer::Form_KeyPress(int &KeyAscii)
{
    const Command command = keyPressAction(KeyAscii, skipCaptions());
    // No character typed in the window reaches a control.
    KeyAscii = 0;
    runCommand(command);
}

std::array<QString, SkipCount> fmPlayer::skipCaptions() const
{
    std::array<QString, SkipCount> captions;
    for (int i = 0; i < SkipCount; ++i)
        captions[static_cast<std::size_t>(i)] = BtSkip(i)->text();
    return captions;
}

void fmPlayer::runCommand(const Command &command)
{
    if (m_closed)
        return;
    runGuarded("runCommand", [this, command] {
        switch (command.what) {
        case PlayerCommand::None: return;
        case PlayerCommand::Transport: return BtState_Click(command.index);
        case PlayerCommand::Skip: return BtSkip_Click(command.index);
        case PlayerCommand::VolumeUp: return volumeStep(true);
        case PlayerCommand::VolumeDown: return volumeStep(false);
        case PlayerCommand::ViewSize160: return mnuExec_ViewSize_Click(160);
        case PlayerCommand::ViewSize320: return mnuExec_ViewSize_Click(320);
        case PlayerCommand::ViewSize640: return mnuExec_ViewSize_Click(640);
        case PlayerCommand::ViewSize800: return mnuExec_ViewSize_Click(800);
        case PlayerCommand::ViewSize960: return mnuExec_ViewSize_Click(960);
        case PlayerCommand::DoubleSize: return mnuExec_ViewSize_DoubleSize_Click();
        case PlayerCommand::FullScreen: return mnuExec_ViewSize_FullScreen_Click();
        case PlayerCommand::Minimum: return mnuExec_ViewSize_Minimum_Click();
        case PlayerCommand::DispSetting: return mnuExec_ViewSize_DispSetting_Click();
        case PlayerCommand::VideoDisp: return mnuExec_ViewSize_Zero_Click();
        case PlayerCommand::Front: return mnuExec_Front_Click();
        case PlayerCommand::SkipModify: return mnuExec_SkipModify_Click();
        case PlayerCommand::Version: return mnuExec_Version_Click();
        case PlayerCommand::Exit: close(); return;
        case PlayerCommand::AudioTrack: return mnuExec_Audio_Click(command.index);
        case PlayerCommand::SubtitleTrack: return mnuExec_Subtitle_Click(command.index);
        }
    });
}

void fmPlayer::focusPanel()
{
    // No button keeps the focus, so the keys keep coming to the window.
    PiCtrl->setFocus(Qt::OtherFocusReason);
}

void fmPlayer::BtState_Click(int Index)
{
    runGuarded("BtState_Click", [this, Index] {
        m_session->transport(static_cast<Transport>(Index));
        focusPanel();
    });
}

void fmPlayer::BtSkip_Click(int Index)
{
    runGuarded("BtSkip_Click", [this, Index] {
        // The caption is the live setting: read at the moment of the click.
        m_session->seekBy(skipAmount(BtSkip(Index)->text()));
        focusPanel();
    });
}

void fmPlayer::BtSkip_MouseDown(int Index, int Button)
{
    if (!(Button & MouseButtonBits::Right))
        return;
    SkipEditIndex = static_cast<std::int16_t>(Index);
    showExecMenu(true);
}

void fmPlayer::showExecMenu(bool fromSkipButton)
{
    const QPointer<QMenu> menu = mnuExec;
    const auto showSkipEntries = [&menu](bool visible) {
        for (const char *name : SkipOnlyEntries) {
            if (QAction *entry = menu ? menu->findChild<QAction *>(QLatin1String(name)) : nullptr)
                entry->setVisible(visible);
        }
    };
    if (fromSkipButton)
        showSkipEntries(true);
    refreshTrackMenus();
    mnuExec->exec(QCursor::pos());
    if (fromSkipButton)
        showSkipEntries(false);
}

void fmPlayer::refreshTrackMenus()
{
    const TrackMenus menus = trackMenus(m_session->tracks());
    const auto fill = [this](const char *name, const std::vector<TrackMenuItem> &items, bool shown) {
        auto *submenu = mnuExec->findChild<QMenu *>(QLatin1String(name));
        if (!submenu)
            return;
        submenu->clear();
        for (const TrackMenuItem &item : items) {
            // "&" in a title would make a mnemonic.
            QAction *action =
                submenu->addAction(QString(item.label).replace(QLatin1Char('&'), QStringLiteral("&&")));
            action->setObjectName(QLatin1String(name) + QLatin1Char('_') +
                                  QString::number(item.command.index));
            action->setCheckable(true);
            action->setChecked(item.checked);
            const Command command = item.command;
            connect(action, &QAction::triggered, this, [this, action, command, checked = item.checked] {
                // The check follows what plays, never the click.
                action->setChecked(checked);
                runCommand(command);
            });
        }
        submenu->menuAction()->setVisible(shown);
    };
    fill(AudioMenuEntry, menus.audio, menus.showAudio);
    fill(SubtitleMenuEntry, menus.subtitle, menus.showSubtitle);
    if (QAction *separator = menuEntry(QLatin1String(TrackSeparatorEntry)))
        separator->setVisible(menus.showAudio || menus.showSubtitle);
}

void fmPlayer::mnuExec_Audio_Click(int id)
{
    m_session->selectAudioTrack(id);
    storeTrackChoice();
}

void fmPlayer::mnuExec_Subtitle_Click(int id)
{
    m_session->selectSubtitleTrack(id);
    storeTrackChoice();
}

void fmPlayer::storeTrackChoice()
{
    if (m_session->hasFile())
        writeTrackChoice(m_pref, m_session->fileName(), m_session->trackChoice());
}

void fmPlayer::volumeStep(bool up)
{
    // The bar follows on the next tick of the status timer.
    m_session->setVolume(steppedVolume(m_session->volume(), up));
}

void fmPlayer::setDisplaySizeThenVideoSize(int displaySize, float width)
{
    MPlayer->setDisplaySize(displaySize);
    SetVideoSize(width);
}

void fmPlayer::mnuExec_ViewSize_Click(int widthPixels)
{
    for (const ViewSize &size : ViewSizes) {
        if (size.widthPixels == widthPixels)
            setDisplaySizeThenVideoSize(size.displaySize, static_cast<float>(widthPixels) * TwipsPerPixelX);
    }
}

void fmPlayer::mnuExec_ViewSize_DoubleSize_Click()
{
    MPlayer->setDisplaySize(DisplaySizeMode::DoubleSize);
    SetVideoSize(static_cast<float>(MPlayer->Width()));
}

void fmPlayer::mnuExec_ViewSize_Minimum_Click()
{
    setDisplaySizeThenVideoSize(DisplaySizeMode::Default, MinimumVideoWidth);
}

void fmPlayer::mnuExec_ViewSize_FullScreen_Click()
{
    if (MPlayer->DisplaySize() == DisplaySizeMode::FullScreen)
        setDisplaySizeThenVideoSize(DisplaySizeMode::Default, VideoWidth);
    else
        MPlayer->setDisplaySize(DisplaySizeMode::FullScreen);
}

void fmPlayer::MPlayer_DblClick()
{
    runGuarded("MPlayer_DblClick", [this] {
        if (MPlayer->DisplaySize() == DisplaySizeMode::FullScreen) {
            MPlayer->setDisplaySize(SavedDisplaySize);
        } else {
            SavedDisplaySize = MPlayer->DisplaySize();
            MPlayer->setDisplaySize(DisplaySizeMode::FullScreen);
        }
    });
}

void fmPlayer::mnuExec_Version_Click()
{
    Q_EMIT versionBoxRequested();
}
