// The dialogs on the real main window and display, opened from its menu:
// the skip captions they edit, the live preview of the cut, their life
// beside the window, and how they look with a Japanese font.
#include "dialogs/fmDispSizeSetting.h"
#include "dialogs/fmOptKey.h"
#include "platform/forms/KeyCodes.h"
#include "platform/forms/ScreenMetrics.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "player/PanelWidgets.h"
#include "player/PictureBox.h"
#include "player/fmPlayer.h"
#include "settings/ClassPref3.h"

#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
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
        m_player->show();
    }

    QString stored(const QString &section, const QString &key)
    {
        return m_pref.GetSetting(section, key, QString()).toText();
    }

    QTemporaryDir m_dir;
    ClassPref3 m_pref;
    std::unique_ptr<fmPlayer> m_player;
};

// Once the window's menu is open, clicks the entries named in turn (a
// submenu's entry opens it), as a user does. `beforeLastClick` runs just
// before the click that runs an entry's handler, so what it queues runs
// inside a modal loop that handler opens.
void clickMenu(const QStringList &names, const std::function<void()> &beforeLastClick = {})
{
    QTimer::singleShot(0, [names, beforeLastClick] {
        for (const QString &name : names) {
            QMenu *popup = nullptr;
            QAction *entry = nullptr;
            waitUntil([&] {
                popup = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                entry = popup ? popup->findChild<QAction *>(name) : nullptr;
                return entry && popup->actions().contains(entry) && !popup->actionGeometry(entry).isEmpty();
            });
            if (!entry) {
                ADD_FAILURE() << "no menu entry " << name.toStdString();
                if (QWidget *open = QApplication::activePopupWidget())
                    open->close(); // a menu left open would never return
                return;
            }
            if (name == names.back() && beforeLastClick)
                beforeLastClick();
            QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(entry).center());
        }
    });
}

// Saves what the screen shows of `window` among the build's test artifacts
// and checks that every label has room for its text.
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

TEST_F(DialogsOnWindow, SkipButtonMenuEditsThatButtonOnlyOnOk)
{
    // Through the menu of a right-clicked skip button, then straight through
    // the entry's handler for the two ways out that cancel.
    clickMenu({"mnuExec_SkipModify"}, [] {
        whenModal<fmOptKey>([](fmOptKey &d) {
            EXPECT_EQ(d.TxTime()->text(), "30");
            EXPECT_EQ(d.TxChar()->text(), "B");
            keepScreenshot(d, "fmOptKey.png");
            d.TxTime()->setText("45");
            d.TxChar()->setText("K");
            d.btOK()->click();
        });
    });
    m_player->BtSkip_MouseDown(4, MouseButtonBits::Right);
    EXPECT_EQ(m_player->BtSkip(4)->text(), "+45(K)");
    EXPECT_EQ(stored("KeySetting", "SkipTime4"), "45");
    EXPECT_EQ(stored("KeySetting", "AccessKey4"), "K");

    const std::function<void(fmOptKey &)> cancels[] = {
        [](fmOptKey &d) { d.close(); },
        [](fmOptKey &d) { QTest::keyClick(d.TxChar(), Qt::Key_F4, Qt::AltModifier); },
    };
    for (const auto &cancel : cancels) {
        m_pref.ClearData();
        whenModal<fmOptKey>([&](fmOptKey &d) {
            d.TxTime()->setText("15");
            cancel(d);
        });
        m_player->mnuExec_SkipModify_Click(); // still button 4
        EXPECT_EQ(m_player->BtSkip(4)->text(), "+45(K)");
        EXPECT_EQ(stored("KeySetting", "SkipTime4"), "");
        EXPECT_FALSE(stored("Window", "KeySetting.Left").isEmpty());
    }
}

TEST_F(DialogsOnWindow, PreviewMovesTheVideoAndSizesItsBoxAsTheFieldsChange)
{
    m_player->Play(QString());
    m_player->SetVideoSize(static_cast<float>(320 * screenMetrics().twipsPerPixelX));
    const MediaPlayerControl *video = childNamed<MediaPlayerControl>(*m_player, QStringLiteral("MPlayer"));
    const PictureBox *box = childNamed<PictureBox>(*m_player, QStringLiteral("PiVBase"));
    const QSize window = m_player->size();

    clickMenu({"mnuExec_ViewSize", "mnuExec_ViewSize_DispSetting"});
    m_player->showExecMenu();
    fmDispSizeSetting *dialog = m_player->displayAreaDialog();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    keepScreenshot(*dialog, "fmDispSizeSetting.png");

    QTest::keyClicks(dialog->TxCutSize(0), "1"); // "01" reads as 1
    EXPECT_EQ(video->x(), -3);
    dialog->TxCutSize(0)->setText("10");
    dialog->TxCutSize(1)->setText("5");
    EXPECT_EQ(video->pos(), QPoint(-32, -12));
    EXPECT_EQ(box->size(), QSize(324 - 32, 244 - 12));
    dialog->TxCutSize(3)->setText("10");
    EXPECT_EQ(box->width(), 324 - 64);
    EXPECT_EQ(video->size(), QSize(320, 240));
    EXPECT_EQ(m_player->size(), window); // only a later resize lays the window out again

    // Cuts that leave no picture keep the box at zero or more; no text
    // stops the preview for good.
    for (const char *text : {"100", "150", "-50", "1e308", "-1e308", "1e999", "&HFFFF", "abc", ""}) {
        SCOPED_TRACE(text);
        dialog->TxCutSize(0)->setText(text);
        dialog->TxCutSize(1)->setText(text);
        EXPECT_GE(box->width(), 0);
        EXPECT_GE(box->height(), 0);
    }
    EXPECT_EQ(video->pos(), QPoint(0, 0));
    EXPECT_EQ(box->size(), QSize(324 - 32, 244));

    // Reset shows the whole picture; OK keeps it and stores the zeros.
    dialog->BtReset()->click();
    EXPECT_EQ(box->size(), QSize(324, 244));
    dialog->btOK()->click();
    EXPECT_EQ(box->size(), QSize(324, 244));
    for (const char *key : {"Left", "Top", "Bottom", "Right"})
        EXPECT_EQ(stored("CutPercent", key), "0");
    EXPECT_TRUE(waitUntil([&] { return !m_player->displayAreaDialog(); })); // freed once closed
}

TEST_F(DialogsOnWindow, DisplayAreaDialogReloadsWhenChosenAgainAndIsDiscardedAtTheEnd)
{
    m_pref.SaveSetting("CutPercent", "Left", "4");
    m_player->mnuExec_ViewSize_DispSetting_Click();
    fmDispSizeSetting *dialog = m_player->displayAreaDialog();
    ASSERT_TRUE(dialog);
    dialog->TxCutSize(0)->setText("33");
    dialog->showMinimized();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() != dialog; }));

    m_player->mnuExec_ViewSize_DispSetting_Click();
    EXPECT_EQ(m_player->displayAreaDialog(), dialog);
    EXPECT_EQ(dialog->TxCutSize(0)->text(), "4");
    EXPECT_EQ(
        childNamed<MediaPlayerControl>(*m_player, QStringLiteral("MPlayer"))->x(),
        0 - qRound(childNamed<MediaPlayerControl>(*m_player, QStringLiteral("MPlayer"))->width() * 0.04));
    EXPECT_FALSE(dialog->isMinimized());
    EXPECT_TRUE(waitUntil([&] { return QApplication::activeWindow() == dialog; }));

    dialog->TxCutSize(0)->setText("20");
    m_player->closeStep();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(stored("CutPercent", "Left"), "4");
    EXPECT_EQ(stored("Window", "SizeSetting.Left"), "");
}
