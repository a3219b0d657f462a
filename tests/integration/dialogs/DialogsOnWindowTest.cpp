// The dialogs on the real main window and display: the skip captions they
// edit, the live preview of the cut, and how they look with a Japanese font.
#include "dialogs/fmDispSizeSetting.h"
#include "dialogs/fmOptKey.h"
#include "platform/forms/ScreenMetrics.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "player/PictureBox.h"
#include "player/fmPlayer.h"
#include "settings/ClassPref3.h"

#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

class DialogsOnWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_pref.setFileName(m_dir.filePath("Kovaplex.ini"));
        m_player = std::make_unique<fmPlayer>(m_pref);
        m_player->setProcessEnd([] {});
    }

    QString stored(const QString &section, const QString &key)
    {
        return m_pref.GetSetting(section, key, QString()).toText();
    }

    fmOptKey::SkipCaptions skipCaptions() const
    {
        fmPlayer *player = m_player.get();
        return {[player](int i) { return player->BtSkip(i)->text(); },
                [player](int i, const QString &caption) { player->BtSkip(i)->setText(caption); }};
    }

    fmDispSizeSetting::Preview preview() const
    {
        fmPlayer *player = m_player.get();
        return [player](const QString &l, const QString &t, const QString &b, const QString &r) {
            player->CutDisplaySub(l, t, b, r);
        };
    }

    QTemporaryDir m_dir;
    ClassPref3 m_pref;
    std::unique_ptr<fmPlayer> m_player;
};

// Runs `act` on the key dialog once it is the active modal window.
void whenKeyDialogOpens(std::function<void(fmOptKey &)> act)
{
    QTimer::singleShot(0, [act = std::move(act)] {
        fmOptKey *dialog = nullptr;
        waitUntil([&] {
            return (dialog = qobject_cast<fmOptKey *>(QApplication::activeModalWidget())) != nullptr;
        });
        if (!dialog) {
            ADD_FAILURE() << "the key settings dialog did not open";
            return;
        }
        act(*dialog);
    });
}

// Saves what the screen shows of `window` among the build's test artifacts
// and checks that every label and button shows its whole text.
void keepScreenshot(QWidget &window, const QString &name)
{
    ASSERT_TRUE(waitUntil([&] { return window.isVisible() && window.windowHandle()->isExposed(); }));
    QTest::qWait(0);
    const QString folder = QDir(testBinaryDir()).filePath("artifacts");
    QDir().mkpath(folder);
    const QRect frame = window.frameGeometry();
    const QPixmap shot = window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    EXPECT_TRUE(shot.save(QDir(folder).filePath(name)));

    for (const QLabel *label : window.findChildren<QLabel *>()) {
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        EXPECT_GE(label->height(), label->sizeHint().height()) << label->text().toStdString();
    }
}

} // namespace

TEST_F(DialogsOnWindow, KeyDialogEditsTheSkipButtonOnlyOnOk)
{
    const struct {
        const char *how;
        std::function<void(fmOptKey &)> close;
        const char *caption;
        const char *pushed;
    } cases[] = {
        {"OK", [](fmOptKey &d) { d.btOK()->click(); }, "+15(Q)", "OK"},
        {"close box", [](fmOptKey &d) { d.close(); }, "+10(V)", "Cancel"},
        {"Alt+F4", [](fmOptKey &d) { QTest::keyClick(d.TxChar(), Qt::Key_F4, Qt::AltModifier); }, "+10(V)",
         "Cancel"},
    };
    m_player->show();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.how);
        m_pref.ClearData();
        m_player->BtSkip(3)->setText("+10(V)");
        fmOptKey dialog(m_pref, skipCaptions(), m_player.get());
        whenKeyDialogOpens([&](fmOptKey &d) {
            EXPECT_EQ(d.TxTime()->text(), "10");
            EXPECT_EQ(d.TxChar()->text(), "V");
            d.TxTime()->setText("15");
            d.TxChar()->setText("Q");
            c.close(d);
        });
        dialog.Start(3);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.PushedButtonCaption, c.pushed);
        EXPECT_EQ(m_player->BtSkip(3)->text(), c.caption);
        EXPECT_EQ(stored("KeySetting", "SkipTime3"), c.pushed == QString("OK") ? "15" : "");
        EXPECT_FALSE(stored("Window", "KeySetting.Left").isEmpty());
    }
}

TEST_F(DialogsOnWindow, PreviewMovesTheVideoAndSizesItsBoxAsTheFieldsChange)
{
    m_player->Play(QString());
    const double tx = screenMetrics().twipsPerPixelX;
    m_player->SetVideoSize(static_cast<float>(320 * tx));
    const MediaPlayerControl *video = m_player->mediaPlayer();
    const PictureBox *box = m_player->videoBase();
    const QSize window = m_player->size();

    fmDispSizeSetting dialog(m_pref, preview(), m_player.get());
    dialog.Start();
    dialog.show();
    QTest::keyClicks(dialog.TxCutSize(0), "1"); // "01" reads as 1
    EXPECT_EQ(video->x(), -3);
    dialog.TxCutSize(0)->setText("10");
    dialog.TxCutSize(1)->setText("5");
    EXPECT_EQ(video->pos(), QPoint(-32, -12));
    EXPECT_EQ(box->size(), QSize(324 - 32, 244 - 12));
    dialog.TxCutSize(3)->setText("10");
    EXPECT_EQ(box->width(), 324 - 64);
    EXPECT_EQ(video->size(), QSize(320, 240));
    EXPECT_EQ(m_player->size(), window); // only a later resize lays the window out again

    // Cuts that leave no picture keep the box at zero or more; no text
    // stops the preview for good.
    const char *texts[] = {"100", "150", "-50", "1e308", "-1e308", "1e999", "&HFFFF", "abc", ""};
    for (const char *text : texts) {
        SCOPED_TRACE(text);
        dialog.TxCutSize(0)->setText(text);
        dialog.TxCutSize(1)->setText(text);
        EXPECT_GE(box->width(), 0);
        EXPECT_GE(box->height(), 0);
    }
    EXPECT_EQ(video->pos(), QPoint(0, 0));
    EXPECT_EQ(box->size(), QSize(324 - 32, 244));

    // Reset shows the whole picture; OK keeps it and stores the zeros.
    dialog.BtReset()->click();
    EXPECT_EQ(box->size(), QSize(324, 244));
    dialog.btOK()->click();
    EXPECT_EQ(box->size(), QSize(324, 244));
    for (const char *key : {"Left", "Top", "Bottom", "Right"})
        EXPECT_EQ(stored("CutPercent", key), "0");
}

TEST_F(DialogsOnWindow, ScreenshotsShowEveryTextWhole)
{
    m_player->show();
    fmDispSizeSetting area(m_pref, preview(), m_player.get());
    area.Start();
    area.show();
    keepScreenshot(area, "fmDispSizeSetting.png");
    area.close();

    fmOptKey keys(m_pref, skipCaptions(), m_player.get());
    whenKeyDialogOpens([](fmOptKey &d) {
        keepScreenshot(d, "fmOptKey.png");
        d.close();
    });
    keys.Start(3);
}
