#include "player/fmPlayer.h"

#include "platform/forms/Diagnostics.h"
#include "platform/forms/ScreenMetrics.h"
#include "platform/forms/WindowFrame.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "platform/video/VideoSurface.h"
#include "playback/ClassMCIPlay.h"
#include "playback/ClassPlayerDummy.h"
#include "player/AppIcon.h"
#include "player/ExecMenu.h"
#include "player/PanelWidgets.h"
#include "player/PictureBox.h"
#include "player/PlayerGeometry.h"
#include "player/TransportPictures.h"
#include "util/RuntimeError.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include <cmath>

namespace {

constexpr float TransportTop = 720;
constexpr float TransportWidth = 540;
constexpr float TransportHeight = 285;
constexpr float SkipTop = 1080;
constexpr float SkipWidth = 720;
constexpr float SkipHeight = 285;

} // namespace

fmPlayer::fmPlayer(ClassPref3 &pref, QWidget *parent)
    : QWidget(parent)
    , m_pref(pref)
    , m_settings(pref)
    , m_processEnd([] { QCoreApplication::exit(0); })
{
    const ScreenMetrics &metrics = screenMetrics();
    TwipsPerPixelX = static_cast<float>(metrics.twipsPerPixelX);
    TwipsPerPixelY = static_cast<float>(metrics.twipsPerPixelY);
    buildControls();
    buildMenu();
    connectInput();
    connectBars();
    runGuarded("Form_Load", [this] { loadStep(); });
}

fmPlayer::~fmPlayer()
{
    // Before the controls go: the key preview looks at them.
    qApp->removeEventFilter(this);
}

void fmPlayer::buildControls()
{
    setObjectName(QStringLiteral("fmPlayer"));
    setWindowTitle(QStringLiteral("Kovaplex"));
    setWindowIcon(appIcon());

    PiVBase = new PictureBox(this);
    PiVBase->setObjectName(QStringLiteral("PiVBase"));
    PiVBase->setBackColor(Qt::black);

    MPlayer = new MediaPlayerControl(PiVBase->client());
    MPlayer->setObjectName(QStringLiteral("MPlayer"));
    PiMCI = new VideoSurface(PiVBase->client());
    PiMCI->setObjectName(QStringLiteral("PiMCI"));

    PiCtrl = new PictureBox(this);
    PiCtrl->setObjectName(QStringLiteral("PiCtrl"));
    PiCtrl->setBorderStyle(0);
    PiCtrl->setFocusPolicy(Qt::StrongFocus);
    QWidget *panel = PiCtrl->client();

    std::vector<float> transportLefts;
    for (const TransportButton &button : TransportButtons)
        transportLefts.push_back(button.left);
    m_transportRow =
        new ButtonRow(transportLefts, TransportTop, TransportWidth, TransportHeight, tpp(), panel);
    m_transportRow->setObjectName(QStringLiteral("BtState"));
    for (int i = 0; i < TransportCount; ++i) {
        QPushButton *button = BtState(i);
        const QString tag = QString::fromLatin1(TransportButtons[static_cast<std::size_t>(i)].tag);
        button->setObjectName(QStringLiteral("BtState%1").arg(i));
        button->setProperty("Tag", tag);
        button->setAccessibleName(tag);
        button->setIcon(transportIcon(i));
        button->setIconSize(TransportPictureSize);
    }
    std::vector<float> skipLefts;
    for (int i = 0; i < SkipCount; ++i)
        skipLefts.push_back(45 + 720 * static_cast<float>(i));
    m_skipRow = new ButtonRow(skipLefts, SkipTop, SkipWidth, SkipHeight, tpp(), panel);
    m_skipRow->setObjectName(QStringLiteral("BtSkip"));
    for (int i = 0; i < SkipCount; ++i)
        BtSkip(i)->setObjectName(QStringLiteral("BtSkip%1").arg(i));

    Image1 = new QLabel(panel);
    Image1->setObjectName(QStringLiteral("Image1"));
    placeTwips(Image1, 30, 0, 480, 480);
    Image1->setPixmap(appIconPixmap(Image1->width(), devicePixelRatioF()));

    PiPosition = new PositionBar(tpp(), panel);
    PiPosition->setObjectName(QStringLiteral("PiPosition"));

    // In front of the position bar's lower left part, where the bar draws
    // nothing.
    PiVolume = new VolumeBar(tpp(), panel);
    PiVolume->setObjectName(QStringLiteral("PiVolume"));

    TxDDESend = new QLineEdit(this);
    TxDDESend->setObjectName(QStringLiteral("TxDDESend"));
    TxDDESend->setReadOnly(true);
    TxDDESend->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(300);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });

    connect(PiMCI, &VideoSurface::frameDrawn, this, [this] { onFrameDrawn(); });
    if (MPlayer->surface())
        connect(MPlayer->surface(), &VideoSurface::frameDrawn, this, [this] { onFrameDrawn(); });

    // Design layout: the panel alone, the video box behind it.
    placeTwips(PiVBase, PlayerDesign::VBaseLeft, PlayerDesign::VBaseTop, PlayerDesign::CompactVideoWidth + 60,
               PlayerDesign::CompactVideoWidth / 4 * 3 + 60);
    placeTwips(PiCtrl, PlayerDesign::CtrlLeft, 75, PlayerDesign::CtrlWidth, PlayerDesign::CtrlHeight);
    PiCtrl->raise();
    setFixedSize(static_cast<int>(std::lround((PlayerDesign::CtrlWidth + 75) / TwipsPerPixelX)),
                 static_cast<int>(std::lround((PlayerDesign::CtrlHeight + 105) / TwipsPerPixelY)));

    // A first start (no stored place) opens near the middle of the work area.
    const QRectF work = screenMetrics().workArea;
    move(static_cast<int>(
             std::lround((work.center().x() - (PlayerDesign::CtrlWidth + 75) / 2) / TwipsPerPixelX)),
         static_cast<int>(std::lround((work.top() + work.height() / 3) / TwipsPerPixelY)));
}

void fmPlayer::buildMenu()
{
    mnuExec = new QMenu(QStringLiteral("Exec"), this);
    mnuExec->setObjectName(QStringLiteral("mnuExec"));

    QMenu *submenu = nullptr;
    for (const MenuEntry &entry : ExecMenuEntries) {
        const QString name = QString::fromLatin1(entry.name);
        const bool separator =
            entry.design == MenuDesign::Separator || entry.design == MenuDesign::HiddenSeparator;
        if (entry.level == 1 && !separator && entry.command.what == PlayerCommand::None) {
            submenu = mnuExec->addMenu(QString::fromUtf8(entry.caption));
            submenu->setObjectName(name);
            submenu->menuAction()->setObjectName(name);
            continue;
        }
        QMenu *menu = entry.level == 2 && submenu ? submenu : mnuExec;
        QAction *action = nullptr;
        if (separator) {
            action = menu->addSeparator();
        } else {
            // Text after a tab is shown as the shortcut, without making one.
            QString text = QString::fromUtf8(entry.caption);
            if (*entry.shortcut)
                text += QLatin1Char('\t') + QString::fromLatin1(entry.shortcut);
            action = menu->addAction(text);
            const Command command = entry.command;
            const bool toggle = entry.design == MenuDesign::Checked || entry.design == MenuDesign::Toggle;
            action->setCheckable(toggle);
            action->setChecked(entry.design == MenuDesign::Checked);
            connect(action, &QAction::triggered, this, [this, action, command, toggle](bool nowChecked) {
                // The toggles keep their check under the handlers' control:
                // a menu click must not flip it before the handler looked.
                if (toggle)
                    action->setChecked(!nowChecked);
                runCommand(command);
            });
        }
        action->setObjectName(name);
        action->setVisible(entry.design != MenuDesign::Hidden && entry.design != MenuDesign::HiddenSeparator);
    }
    mnuExec_ViewSize_Zero = menuEntry(QStringLiteral("mnuExec_ViewSize_Zero"));
    mnuExec_Front = menuEntry(QStringLiteral("mnuExec_Front"));
}

QAction *fmPlayer::menuEntry(const QString &name) const
{
    return mnuExec->findChild<QAction *>(name);
}

QPushButton *fmPlayer::BtState(int index) const
{
    return m_transportRow->button(index);
}

QPushButton *fmPlayer::BtSkip(int index) const
{
    return m_skipRow->button(index);
}

QLabel *fmPlayer::timeLabel() const
{
    return PiPosition->timeLabel();
}

QLabel *fmPlayer::positionCursor() const
{
    return PiPosition->cursor();
}

void fmPlayer::placeTwips(QWidget *widget, double left, double top, double width, double height) const
{
    ::placeTwips(widget, left, top, width, height, tpp());
}

double fmPlayer::widthTwips(const QWidget *widget) const
{
    return widget->width() * static_cast<double>(TwipsPerPixelX);
}

double fmPlayer::heightTwips(const QWidget *widget) const
{
    return widget->height() * static_cast<double>(TwipsPerPixelY);
}

void fmPlayer::refreshFrameSizes()
{
    const WindowFrameSizes sizes = windowFrameSizes(this);
    FrameX = sizes.frameX;
    FrameY = sizes.frameY;
}

void fmPlayer::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The window manager frames the window only once it is mapped; measure
    // again when that has happened.
    QTimer::singleShot(0, this, [this] { refreshFrameSizes(); });
}

void fmPlayer::onFrameDrawn()
{
    if (!m_awaitFirstFrame)
        return;
    m_awaitFirstFrame = false;
    startupMilestone("first frame drawn");
}
