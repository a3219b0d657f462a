#include "player/fmPlayer.h"

#include "platform/forms/Diagnostics.h"
#include "platform/forms/ScreenMetrics.h"
#include "platform/forms/WindowFrame.h"
#include "platform/media/VideoSurface.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "playback/ClassMCIPlay.h"
#include "playback/ClassPlayerDummy.h"
#include "player/AppIcon.h"
#include "player/PictureBox.h"
#include "player/PlayerGeometry.h"
#include "player/TransportPictures.h"
#include "util/RuntimeError.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include <cmath>

namespace {

/// The transport row: the tag (command word) and left edge of each index.
struct TransportButton {
    const char *tag;
    float left;
};
constexpr std::array<TransportButton, 8> TransportButtons{{
    {"FastBackward", 45},
    {"Play", 1665},
    {"StepBack", 2745},
    {"Pause", 3285},
    {"StepForward", 3825},
    {"Stop", 1125},
    {"BackPlay", 585},
    {"FastForward", 2205},
}};

constexpr float TransportTop = 720;
constexpr float TransportWidth = 540;
constexpr float TransportHeight = 285;
constexpr float SkipTop = 1080;
constexpr float SkipWidth = 720;
constexpr float SkipHeight = 285;

/// Light cream of the position and volume bars.
const QColor BarBackColor(255, 248, 192);

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
    runGuarded("Form_Load", [this] { loadStep(); });
}

fmPlayer::~fmPlayer() = default;

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

    for (std::size_t i = 0; i < m_btState.size(); ++i) {
        auto *button = new QPushButton(panel);
        button->setObjectName(QStringLiteral("BtState%1").arg(i));
        button->setProperty("Index", static_cast<int>(i));
        button->setProperty("Tag", QString::fromLatin1(TransportButtons[i].tag));
        button->setAccessibleName(QString::fromLatin1(TransportButtons[i].tag));
        button->setIcon(transportIcon(static_cast<int>(i)));
        button->setIconSize(TransportPictureSize);
        button->setFocusPolicy(Qt::ClickFocus);
        placeTwips(button, TransportButtons[i].left, TransportTop, TransportWidth, TransportHeight);
        m_btState[i] = button;
    }
    for (std::size_t i = 0; i < m_btSkip.size(); ++i) {
        auto *button = new QPushButton(panel);
        button->setObjectName(QStringLiteral("BtSkip%1").arg(i));
        button->setProperty("Index", static_cast<int>(i));
        button->setFocusPolicy(Qt::ClickFocus);
        placeTwips(button, 45 + 720 * static_cast<double>(i), SkipTop, SkipWidth, SkipHeight);
        m_btSkip[i] = button;
    }

    Image1 = new QLabel(panel);
    Image1->setObjectName(QStringLiteral("Image1"));
    placeTwips(Image1, 30, 0, 480, 480);
    Image1->setPixmap(appIconPixmap(Image1->width(), devicePixelRatioF()));

    PiPosition = new PictureBox(panel);
    PiPosition->setObjectName(QStringLiteral("PiPosition"));
    PiPosition->setBorderStyle(0);
    PiPosition->setBackColor(BarBackColor);
    placeTwips(PiPosition, 900, 0, 3480, 645);
    QWidget *bar = PiPosition->client();

    for (std::size_t i = 0; i < ImSp.size(); ++i) {
        auto *icon = new QLabel(bar);
        icon->setObjectName(QStringLiteral("ImSp%1").arg(i));
        placeTwips(icon, 0, 360, 240, 240);
        icon->setPixmap(speakerPicture(i == 1, icon->size(), devicePixelRatioF()));
        ImSp[i] = icon;
    }
    ImSp[1]->hide();

    Label1 = new QLabel(bar);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setText(TimeToText(-1));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    placeTwips(Label1, 1800, 405, 1590, 195);
    QFont small = Label1->font();
    small.setPixelSize(std::max(9, Label1->height() - 2));
    Label1->setFont(small);

    imCursor = new QLabel(bar);
    imCursor->setObjectName(QStringLiteral("imCursor"));
    imCursor->setScaledContents(true);
    placeTwips(imCursor, 13 * TwipsPerPixelX, PlayerDesign::CursorTop, 7 * TwipsPerPixelX,
               16 * TwipsPerPixelY);
    imCursor->setPixmap(cursorPicture(CursorPictureSize, devicePixelRatioF()));

    // In front of the position bar's lower left part, where the bar draws
    // nothing.
    PiVolume = new PictureBox(panel);
    PiVolume->setObjectName(QStringLiteral("PiVolume"));
    PiVolume->setBackColor(BarBackColor);
    placeTwips(PiVolume, 1170, 390, 1500, 225);

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

    // The toggles keep their check under the handlers' control: a menu
    // click must not flip it before the handler has looked at it.
    const auto toggle = [this](const QString &name, const QString &caption, bool checked,
                               void (fmPlayer::*handler)()) {
        auto *action = mnuExec->addAction(caption);
        action->setObjectName(name);
        action->setCheckable(true);
        action->setChecked(checked);
        connect(action, &QAction::triggered, this, [this, action, handler](bool nowChecked) {
            action->setChecked(!nowChecked);
            runGuarded(qPrintable(action->objectName() + QStringLiteral("_Click")),
                       [this, handler] { (this->*handler)(); });
        });
        return action;
    };
    mnuExec_ViewSize_Zero = toggle(QStringLiteral("mnuExec_ViewSize_Zero"), QStringLiteral("表示する"), true,
                                   &fmPlayer::mnuExec_ViewSize_Zero_Click);
    mnuExec_Front = toggle(QStringLiteral("mnuExec_Front"), QStringLiteral("常に手前に表示"), false,
                           &fmPlayer::mnuExec_Front_Click);
    mnuExec->addSeparator();
    QAction *exit = mnuExec->addAction(QStringLiteral("終了"));
    exit->setObjectName(QStringLiteral("mnuExec_Exit"));
    connect(exit, &QAction::triggered, this, [this] { close(); });
}

void fmPlayer::placeTwips(QWidget *widget, double left, double top, double width, double height) const
{
    widget->setGeometry(twipsToWidgetPixels(left, TwipsPerPixelX), twipsToWidgetPixels(top, TwipsPerPixelY),
                        std::max(0, twipsToWidgetPixels(width, TwipsPerPixelX)),
                        std::max(0, twipsToWidgetPixels(height, TwipsPerPixelY)));
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
