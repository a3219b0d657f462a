// A real drag from another program (XDND on X11) onto the running player:
// a drag that comes in over the video and lands on the control panel opens
// the file; one that lands on the video opens nothing.
#include "ProgramRun.h"

#include "TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QRect>

#include <gtest/gtest.h>

namespace {

void pointerTo(QPoint at)
{
    run("xdotool", {"mousemove", "--sync", QString::number(at.x()), QString::number(at.y())});
}

class DropE2E : public ProgramCopyTest {
protected:
    void SetUp() override
    {
        ProgramCopyTest::SetUp();
        if (IsSkipped())
            return;
        // The window near the top-left corner, its video 320 pixels wide.
        writeSettings("[Window]\r\nMain.Left=1500\r\nMain.Top=1500\r\n[Setting]\r\nVideoSize=320\r\n");
    }

    /// Starts the player on a clip and waits for its laid-out window.
    void startPlayer()
    {
        const QString clip = testMedia("long.mp4");
        ASSERT_TRUE(QFileInfo::exists(clip)) << qPrintable(clip);
        m_player = std::make_unique<ProgramRun>(m_binary, QStringList{clip});
        ASSERT_TRUE(m_player->waitFor([&] { return m_player->sawLine("] first frame drawn"); }, 60000));
        ASSERT_TRUE(m_player->waitFor([&] { return !m_player->visibleWindows().isEmpty(); }, 10000));
        m_window = clientRect(m_player->visibleWindows().first());
        ASSERT_TRUE(m_window.isValid());
    }

    /// Starts the drag source with `file` at the screen's lower right and
    /// presses on it: the drag runs from then on.
    void startDrag(const QString &file)
    {
        m_source = std::make_unique<ProgramRun>(QStringLiteral(KOVAPLEX_DRAG_SOURCE),
                                                QStringList{file, "1100", "850"});
        QStringList windows;
        ASSERT_TRUE(
            m_source->waitFor([&] { return !(windows = m_source->visibleWindows()).isEmpty(); }, 10000));
        const QRect source = clientRect(windows.first());
        ASSERT_TRUE(source.isValid());
        EXPECT_FALSE(source.intersects(m_window)) << "the source covers the player";
        pointerTo(source.center());
        run("xdotool", {"mousedown", "1"});
        ASSERT_TRUE(m_source->waitFor([&] { return m_source->sawLine("drag started"); }, 10000));
    }

    /// Waits until the player answers the drag with `value` after the
    /// `since` answers it had given before.
    bool playerAnswers(const QString &value, qsizetype since)
    {
        return m_player->waitFor([&] { return m_player->traced("drag").mid(since).contains(value); }, 10000);
    }

    QPoint videoCentre() const { return m_window.topLeft() + QPoint(5 + 160, 5 + 120); }

    std::unique_ptr<ProgramRun> m_player;
    std::unique_ptr<ProgramRun> m_source;
    QRect m_window;
};

TEST_F(DropE2E, ADragComingInOverTheVideoOpensTheFileOnThePanelOnly)
{
    ASSERT_NO_FATAL_FAILURE(startPlayer());
    // Another file than the one playing: a copy of that one would be
    // offered its place, in a question.
    const QString dropped = m_dir.filePath("dropped.mp4");
    ASSERT_TRUE(QFile::copy(testMedia("clip.mp4"), dropped));

    // Landing on the video: refused there, from the first move to the end.
    qsizetype answers = m_player->traced("drag").size();
    ASSERT_NO_FATAL_FAILURE(startDrag(dropped));
    pointerTo(videoCentre());
    ASSERT_TRUE(playerAnswers("refused", answers)) << qPrintable(m_player->lastTraced("drag"));
    pointerTo(videoCentre() + QPoint(20, 10));
    run("xdotool", {"mouseup", "1"});
    ASSERT_TRUE(m_source->waitFor([&] { return m_source->sawLine("result "); }, 10000));
    EXPECT_TRUE(m_source->sawLine("result 0"));
    EXPECT_FALSE(m_player->waitFor([&] { return !m_player->traced("drop opens").isEmpty(); }, 1500))
        << "a drop on the video was taken";

    // Coming in over the video again, then landing on the panel: taken.
    answers = m_player->traced("drag").size();
    const int opened = m_player->countLines("] file opened");
    ASSERT_NO_FATAL_FAILURE(startDrag(dropped));
    pointerTo(videoCentre());
    ASSERT_TRUE(playerAnswers("refused", answers)) << qPrintable(m_player->lastTraced("drag"));
    pointerTo(QPoint(m_window.center().x(), m_window.bottom() - 10));
    ASSERT_TRUE(playerAnswers("taken", answers)) << qPrintable(m_player->lastTraced("drag"));
    ASSERT_TRUE(m_source->waitFor([&] { return m_source->sawLine("action 1"); }, 10000))
        << "the source never heard that the panel takes the drag";
    run("xdotool", {"mouseup", "1"});
    ASSERT_TRUE(m_source->waitFor([&] { return m_source->sawLine("result "); }, 10000));
    EXPECT_TRUE(m_source->sawLine("result 1"));
    ASSERT_TRUE(m_player->waitFor([&] { return m_player->lastTraced("drop opens") == dropped; }, 10000));
    EXPECT_TRUE(m_player->waitFor([&] { return m_player->countLines("] file opened") > opened; }, 20000))
        << "the dropped file was not opened";
}

} // namespace
