#include "player/PanelWidgets.h"
#include "player/fmPlayer.h"

#include "settings/ClassPref3.h"

#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

// Without a mixer the load shows the mixer's error and stops there, so the
// stored view states are not applied. A machine without a mixer is made by
// starting this executable again under an ALSA configuration of its own with
// nothing in it; before any test runs, that child loads the window, answers
// the error box, prints what it saw and exits.
namespace {

const char *const kProbeVariable = "KOVAPLEX_PLAYER_NOMIXER_PROBE";

[[maybe_unused]] const bool kProbed = [] {
    if (qEnvironmentVariableIsEmpty(kProbeVariable))
        return false;
    static int argc = 1;
    static char name[] = "probe";
    static char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    ClassPref3 pref;
    pref.SaveSetting("Setting", "VideoDisp", "False");
    pref.SaveSetting("Window", "FrontSet", "True");
    QString boxText;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            for (const QLabel *label : box->findChildren<QLabel *>())
                boxText += label->text();
            box->close();
        }
    });
    poll.start(50);
    fmPlayer player(pref);
    std::printf("box=%s\nshown=%d\nfront=%d\n", boxText.toUtf8().constData(),
                childNamed<QAction>(player, QStringLiteral("mnuExec_ViewSize_Zero"))->isChecked() ? 1 : 0,
                childNamed<QAction>(player, QStringLiteral("mnuExec_Front"))->isChecked() ? 1 : 0);
    std::fflush(stdout);
    std::_Exit(0);
}();

} // namespace

TEST(PlayerWithoutMixer, LoadStopsAtTheMixerErrorAndKeepsTheDesignStates)
{
    const std::optional<QString> probed = runProbeWithoutSound(kProbeVariable, "# no devices\n", 60000);
    ASSERT_TRUE(probed.has_value());
    const QString out = *probed;

    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("box=\\[\\d+\\]")))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("shown=1"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("front=0"))) << out.toStdString();
}
