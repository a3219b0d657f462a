#include "app/fmDDE.h"

#include "app/ActivationToken.h"
#include "player/AppIcon.h"
#include "player/fmPlayer.h"
#include "util/RuntimeError.h"
#include "util/ShellOpen.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

namespace {

const char *const NoticeLine = "Copyright (C) 2026 The Kovaplex developers";

} // namespace

QString versionText(const QString &version)
{
    return QStringLiteral("Kovaplex.Exe  ") + version + QStringLiteral("\r\n\r\n") +
           QString::fromUtf8(NoticeLine);
}

fmDDE::fmDDE(fmPlayer &player, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_player(player)
{
    setObjectName(QStringLiteral("fmDDE"));
    setWindowTitle(QStringLiteral("Kovaplex - About"));

    Image1 = new QLabel(this);
    Image1->setPixmap(appIconPixmap(32, devicePixelRatioF()));
    Image1->setAlignment(Qt::AlignTop);

    Label1 = new QLabel(versionText(QStringLiteral(KOVAPLEX_VERSION)), this);

    Label2 = new QLabel(QStringLiteral(KOVAPLEX_HOMEPAGE), this);
    Label2->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->installEventFilter(this);

    BtClose = new QPushButton(QStringLiteral("閉じる"), this);
    connect(BtClose, &QPushButton::clicked, this, &fmDDE::BtClose_Click);

    auto *layout = new QGridLayout(this);
    layout->addWidget(Image1, 0, 0, 2, 1);
    layout->addWidget(Label1, 0, 1);
    layout->addWidget(Label2, 1, 1);
    layout->addWidget(BtClose, 2, 1, Qt::AlignRight);
    setFixedSize(sizeHint());

    // The menu's "バージョン情報" shows the box, not modal.
    connect(&m_player, &fmPlayer::versionBoxRequested, this, [this] {
        show();
        raise();
        activateWindow();
    });

    // Centred across the screen, one third down.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + area.width() / 2 - width() / 2, area.y() + area.height() / 3 - height() / 2);
    }
}

fmDDE::~fmDDE() = default;

void fmDDE::LinkExecute(const QString &CmdStr, const QString &activationToken)
{
    runGuarded("LinkExecute", [&] {
        if (m_player.hasClosed())
            return;
        if (m_player.isMinimized())
            m_player.setWindowState(m_player.windowState() & ~Qt::WindowMinimized);
        // The window names the start before it is raised, so that the
        // window manager lets it come forward.
        useActivationToken(m_player, activationToken);
        m_player.FrontSet(true);
        m_player.FrontSet(false);
        m_player.Play(CmdStr);
    });
}

void fmDDE::BtClose_Click()
{
    hide();
}

void fmDDE::Label2_Click()
{
    ShellOpen(Label2->text());
}

void fmDDE::closeEvent(QCloseEvent *event)
{
    // The user's close from the frame only hides the box; the program's
    // own close (at its end) passes.
    if (event->spontaneous()) {
        event->ignore();
        hide();
        return;
    }
    event->accept();
}

bool fmDDE::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label2 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        Label2_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
