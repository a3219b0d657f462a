// The version box on the test display, and the handler that runs handed-over
// commands against a real main window.
#include "app/fmDDE.h"

#include "app/ActivationToken.h"

#include "TestSupport.h"
#include "X11Close.h"
#include "playback/ClassPlayerDummy.h"
#include "playback/PlaybackSession.h"
#include "player/fmPlayer.h"
#include "settings/ClassPref3.h"
#include "util/ShellOpen.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class VersionBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pref.setFileName(m_dir.filePath("Kovaplex.ini"));
        m_player = std::make_unique<fmPlayer>(m_pref);
        m_player->setProcessEnd([] {});
        m_form = std::make_unique<fmDDE>(*m_player);
    }

    QTemporaryDir m_dir;
    ClassPref3 m_pref;
    std::unique_ptr<fmPlayer> m_player;
    std::unique_ptr<fmDDE> m_form;
};

TEST_F(VersionBox, ShowsTheVersionCentredOneThirdDownAndOpensTheAddress)
{
    fmDDE &form = *m_form;
    EXPECT_EQ(form.windowTitle(), "Kovaplex - About");
    EXPECT_EQ(form.label1()->text(),
              "Kovaplex.Exe  0.1.50\r\n\r\nCopyright (C) 2026 The Kovaplex developers");
    EXPECT_TRUE(form.label2()->text().startsWith("https://"));
    EXPECT_EQ(form.closeButton()->text(), "閉じる");
    EXPECT_FALSE(form.image1()->pixmap().isNull());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(form.x(), screen.width() / 2 - form.width() / 2);
    EXPECT_EQ(form.y(), screen.height() / 3 - form.height() / 2);
    EXPECT_FALSE(form.isVisible());

    // A click on the address hands it to the desktop.
    const QString opened = m_dir.filePath("opened");
    const QString launcher = m_dir.filePath("launcher.sh");
    {
        QFile script(launcher);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf %s \"$1\" > \"" + opened.toUtf8() + "\"\n");
    }
    QFile::setPermissions(launcher, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setShellOpenLauncher(launcher);
    form.show();
    QTest::mouseClick(form.label2(), Qt::LeftButton);
    setShellOpenLauncher(QString());
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(opened); }));
    QFile result(opened);
    ASSERT_TRUE(waitUntil([&] { return result.open(QIODevice::ReadOnly) && result.size() > 0; }));
    EXPECT_EQ(QString::fromUtf8(result.readAll()), form.label2()->text());
}

TEST_F(VersionBox, TheUserOnlyHidesItTheProgramClosesIt)
{
    fmDDE &form = *m_form;
    m_player->mnuExec_Version_Click();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_FALSE(form.isModal());
    form.closeButton()->click();
    EXPECT_FALSE(form.isVisible());

    // The frame's close button: hidden, not closed; the menu shows the same
    // box again, and commands run in between.
    m_player->mnuExec_Version_Click();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(askWindowToClose(form.winId()));
    ASSERT_TRUE(waitUntil([&] { return !form.isVisible(); }));
    form.LinkExecute(QStringLiteral("between"));
    EXPECT_EQ(m_player->session().facade().FileName(), "between");
    m_player->mnuExec_Version_Click();
    EXPECT_TRUE(form.isVisible());

    EXPECT_TRUE(form.close()) << "the program's own close was refused";
}

TEST_F(VersionBox, ACommandRaisesTheWindowNotTopmostAndOpensTheNameAsGiven)
{
    m_player->FrontSet(true); // always on top, as the menu would set it
    m_player->showMinimized();
    m_form->LinkExecute(QStringLiteral("\"Stop\""));
    EXPECT_FALSE(m_player->isMinimized());
    EXPECT_TRUE(m_player->isVisible());
    EXPECT_FALSE(m_player->isTopmost());
    EXPECT_EQ(m_player->session().facade().FileName(), "Stop");
}

TEST_F(VersionBox, TheStartsTokenNamesTheWindowAndEndsItsLaunchFeedback)
{
    EXPECT_EQ(startupRemoveMessage(QStringLiteral("a \"b\" \\c_TIME9")), R"(remove: ID="a \"b\" \\c_TIME9")");
    m_player->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_player.get()));
    StartupInfoListener listener;
    const QString token = QStringLiteral("kovaplex-test-日本 with a long tail_TIME42");
    m_form->LinkExecute(QString(), token);
    EXPECT_EQ(QString::fromStdString(listener.next(10000)), QString::fromUtf8(startupRemoveMessage(token)));
    QProcess xprop;
    xprop.start("xprop", {"-id", QString::number(m_player->winId()), "_NET_STARTUP_ID"});
    ASSERT_TRUE(xprop.waitForFinished(10000));
    EXPECT_TRUE(QString::fromUtf8(xprop.readAllStandardOutput()).contains(token));
}

} // namespace
