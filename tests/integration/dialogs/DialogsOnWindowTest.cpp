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

TEST_F(DialogsOnWindow, KeyDialogScreenshot)
{
    m_player->show();
    fmOptKey dialog(m_pref, skipCaptions(), m_player.get());
    whenKeyDialogOpens([](fmOptKey &d) {
        keepScreenshot(d, "fmOptKey.png");
        d.close();
    });
    dialog.Start(3);
}

TEST_F(DialogsOnWindow, DisplayAreaDialogScreenshot)
{
    m_player->show();
    fmDispSizeSetting dialog(m_pref, preview(), m_player.get());
    dialog.Start();
    dialog.show();
    keepScreenshot(dialog, "fmDispSizeSetting.png");
    dialog.close();
}
