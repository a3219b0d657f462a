#include "dialogs/fmMsg.h"
#include "dialogs/fmOptKey.h"
#include "platform/forms/ScreenMetrics.h"
#include "settings/ClassPref3.h"

#include "TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class KeySettingsDialog : public ::testing::Test {
protected:
    void SetUp() override { setScreenMetricsOverride(ScreenMetrics{}); }
    void TearDown() override { setScreenMetricsOverride(std::nullopt); }

    QString stored(const QString &section, const QString &key)
    {
        return m_pref.GetSetting(section, key, QStringLiteral("<none>")).toText();
    }

    /// Opens the dialog on skip caption `index`, runs `act` on it while it
    /// is shown modally, and returns once it has closed.
    void edit(int index, const std::function<void(fmOptKey &)> &act)
    {
        fmOptKey dialog(m_pref, {[this](int i) { return m_captions.at(i); },
                                 [this](int i, const QString &caption) { m_captions[i] = caption; }});
        QTimer::singleShot(0, [&] {
            if (!waitUntil([&] { return QApplication::activeModalWidget() == &dialog; }))
                return ADD_FAILURE() << "the dialog was not shown modally";
            act(dialog);
            if (dialog.isVisible()) {
                ADD_FAILURE() << "the dialog is still open";
                dialog.done(0);
            }
        });
        dialog.Start(index);
        m_pushed = dialog.PushedButtonCaption;
    }

    ClassPref3 m_pref;
    QStringList m_captions{"-30(Z)", "-10(X)", "-3(C)", "+10(V)", "+30(B)", "+90(N)"};
    QString m_pushed;
};

TEST_F(KeySettingsDialog, OkWritesTheCaptionAndStoresTheTextsAsTyped)
{
    const struct {
        int index;
        const char *startCaption, *shownTime, *shownLetter, *time, *letter, *caption;
    } cases[] = {
        {3, "+10(V)", "10", "V", "15", "Q", "+15(Q)"},
        {1, "-5.50(X)", "-5.5", "X", "-5.50", "X", "-5.5(X)"},
        {0, "+30(B)", "30", "B", "+20", "B", "++20(B)"},
        {2, "abc(C)", "0", "C", "abc", "C", "0(C)"},
        {5, "2.50", "2.5", "", "7", "", "+7()"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.startCaption);
        m_captions[c.index] = c.startCaption;
        edit(c.index, [&](fmOptKey &d) {
            EXPECT_EQ(d.TxTime()->text(), c.shownTime);
            EXPECT_EQ(d.TxChar()->text(), c.shownLetter);
            d.TxTime()->setText(c.time);
            d.TxChar()->setText(c.letter);
            d.btOK()->click();
        });
        EXPECT_EQ(m_captions[c.index], c.caption);
        EXPECT_EQ(stored("KeySetting", QStringLiteral("SkipTime%1").arg(c.index)), c.time);
        EXPECT_EQ(stored("KeySetting", QStringLiteral("AccessKey%1").arg(c.index)), c.letter);
        EXPECT_EQ(m_pushed, "OK");
    }
}

TEST_F(KeySettingsDialog, EnterAndEscDoNothingAndTheLetterTakesOneCharacter)
{
    edit(0, [](fmOptKey &d) {
        EXPECT_EQ(d.focusWidget(), d.TxTime());
        EXPECT_EQ(d.TxTime()->nextInFocusChain(), d.TxChar());
        for (QWidget *target : {static_cast<QWidget *>(d.TxTime()), static_cast<QWidget *>(&d)}) {
            QTest::keyClick(target, Qt::Key_Return);
            QTest::keyClick(target, Qt::Key_Escape);
        }
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(d.PushedButtonCaption.isEmpty());
        d.TxChar()->clear();
        QTest::keyClicks(d.TxChar(), "AB");
        d.btOK()->click();
    });
    EXPECT_EQ(m_captions[0], "-30(A)");
}

TEST_F(KeySettingsDialog, ATimeBeyondTheRangeIsToldAndTheDialogStaysOpen)
{
    edit(3, [&](fmOptKey &d) {
        d.TxTime()->setText("1e400");
        QString told;
        QTimer::singleShot(0, [&] {
            QWidget *box = nullptr;
            if (!waitUntil([&] { return (box = QApplication::activeModalWidget()) && box != &d; }))
                return ADD_FAILURE() << "no message box";
            if (const auto *msg = qobject_cast<fmMsg *>(box))
                told = msg->LaMessage()->text();
            box->close();
        });
        d.btOK()->click();
        EXPECT_TRUE(told.contains("1e400")) << qPrintable(told);
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(d.PushedButtonCaption.isEmpty());
        EXPECT_EQ(m_captions[3], "+10(V)");
        EXPECT_EQ(stored("KeySetting", "SkipTime3"), "<none>");
        // Corrected, it goes through.
        d.TxTime()->setText("20");
        d.btOK()->click();
    });
    EXPECT_EQ(m_captions[3], "+20(V)");
    EXPECT_EQ(m_pushed, "OK");
}

TEST_F(KeySettingsDialog, EachLabelLeavesAGapBeforeItsField)
{
    edit(0, [](fmOptKey &d) {
        const auto textEnd = [](const QLabel *label) {
            return label->x() + label->fontMetrics().horizontalAdvance(label->text());
        };
        EXPECT_GE(d.TxTime()->x() - textEnd(d.Label1(0)), 6);
        EXPECT_GE(d.TxChar()->x() - textEnd(d.Label1(1)), 6);
        d.close();
    });
}

TEST_F(KeySettingsDialog, OpensCentredThenWhereItWasLeft)
{
    QPoint first;
    QSize client;
    edit(0, [&](fmOptKey &d) {
        first = d.pos();
        client = d.size();
        d.move(150, 90);
        d.btOK()->click();
    });
    // Before its first show the dialog's frame is not known; the offscreen
    // platform estimates none, so the client area is what is centred.
    EXPECT_NEAR(first.x(), (1280 - client.width()) / 2, 1);
    EXPECT_NEAR(first.y(), (1024 - client.height()) / 2, 1);
    EXPECT_GE(client.width(), 3225 / 15); // the design grows only for the font
    EXPECT_GE(client.height(), 1320 / 15);
    EXPECT_EQ(stored("Window", "KeySetting.Left"), "2250");
    EXPECT_EQ(stored("Window", "KeySetting.Top"), "1350");

    edit(0, [&](fmOptKey &d) {
        first = d.pos();
        d.close();
    });
    EXPECT_EQ(first, QPoint(150, 90));
}

} // namespace
