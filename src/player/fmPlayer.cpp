#include "player/fmPlayer.h"

#include "platform/forms/Diagnostics.h"
#include "platform/forms/ScreenMetrics.h"
#include "platform/forms/WindowFrame.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "platform/video/VideoSurface.h"
#include "playback/ClassPlayerDummy.h"
#include "playback/PlaybackSession.h"
#include "player/AppIcon.h"
#include "player/ExecMenu.h"
#include "player/PanelWidgets.h"
#include "player/PictureBox.h"
#include "player/PlayerGeometry.h"
#include "player/ResumeKeeper.h"
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

template <std::size_t Count>
ButtonRow *newButtonRow(const DesignButtonRow<Count> &design, const TwipsPerPixel &tpp, QWidget *panel)
{
    return new ButtonRow({design.lefts.begin(), design.lefts.end()}, design.top, design.width, design.height,
                         tpp, panel);
}

/// The transport buttons at their design places, each named, tagged with
/// its command word and showing its picture.
ButtonRow *newTransportRow(const TwipsPerPixel &tpp, QWidget *panel)
{
    ButtonRow *row = newButtonRow(PlayerDesign::TransportRow, tpp, panel);
    row->setObjectName(QStringLiteral("BtState"));
    for (int i = 0; i < TransportCount; ++i) {
        QPushButton *button = row->button(i);
        const QString tag = QString::fromLatin1(TransportButtons[static_cast<std::size_t>(i)].tag);
        button->setObjectName(QStringLiteral("BtState%1").arg(i));
        button->setProperty("Tag", tag);
        button->setAccessibleName(tag);
        button->setIcon(transportIcon(i));
        button->setIconSize(TransportPictureSize);
    }
    return row;
}

ButtonRow *newSkipRow(const TwipsPerPixel &tpp, QWidget *panel)
{
    ButtonRow *row = newButtonRow(PlayerDesign::SkipRow, tpp, panel);
    row->setObjectName(QStringLiteral("BtSkip"));
    for (int i = 0; i < SkipCount; ++i)
        row->button(i)->setObjectName(QStringLiteral("BtSkip%1").arg(i));
    return row;
}

/// Where a first start (no stored place) opens: near the middle of the work
/// area, pixels.
QPoint firstStartPlace(float twipsPerPixelX, float twipsPerPixelY)
{
    const QRectF work = screenMetrics().workArea;
    return {static_cast<int>(
                std::lround((work.center().x() - PlayerDesign::CompactClientWidth / 2) / twipsPerPixelX)),
            static_cast<int>(std::lround((work.top() + work.height() / 3) / twipsPerPixelY))};
}

} // namespace

fmPlayer::fmPlayer(ClassPref3 &pref, QWidget *parent)
    : QWidget(parent)
    , m_pref(pref)
    , m_settings(pref)
    , m_session(new PlaybackSession(this))
    , m_processEnd([] { QCoreApplication::exit(0); })
{
    const ScreenMetrics &metrics = screenMetrics();
    TwipsPerPixelX = static_cast<float>(metrics.twipsPerPixelX);
    TwipsPerPixelY = static_cast<float>(metrics.twipsPerPixelY);
    buildControls();
    buildMenu();
    connectInput();
    connectBars();
    keepPlaces();
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

    m_transportRow = newTransportRow(tpp(), panel);
    m_skipRow = newSkipRow(tpp(), panel);

    Image1 = new QLabel(panel);
    Image1->setObjectName(QStringLiteral("Image1"));
    ::placeTwips(Image1, PlayerDesign::AppIcon.rect(), tpp());
    Image1->setPixmap(appIconPixmap(Image1->width(), devicePixelRatioF()));

    PiPosition = new PositionBar(tpp(), panel);
    PiPosition->setObjectName(QStringLiteral("PiPosition"));
    // Made after the position bar: it lies in front of the bar.
    PiVolume = new VolumeBar(tpp(), panel);
    PiVolume->setObjectName(QStringLiteral("PiVolume"));

    TxDDESend = new QLineEdit(this);
    TxDDESend->setObjectName(QStringLiteral("TxDDESend"));
    TxDDESend->setReadOnly(true);
    TxDDESend->hide();

    connect(PiMCI, &VideoSurface::frameDrawn, this, [this] { onFrameDrawn(); });
    if (MPlayer->surface())
        connect(MPlayer->surface(), &VideoSurface::frameDrawn, this, [this] { onFrameDrawn(); });

    // Design layout: the panel alone, the video box behind it.
    ::placeTwips(PiVBase, PlayerDesign::VideoBox.rect(), tpp());
    ::placeTwips(PiCtrl, PlayerDesign::Panel.rect(), tpp());
    PiCtrl->raise();
    setFixedSize(static_cast<int>(std::lround(PlayerDesign::CompactClientWidth / TwipsPerPixelX)),
                 static_cast<int>(std::lround(PlayerDesign::CompactClientHeight / TwipsPerPixelY)));
    move(firstStartPlace(TwipsPerPixelX, TwipsPerPixelY));
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
            submenu->menuAction()->setVisible(entry.design != MenuDesign::Hidden);
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
