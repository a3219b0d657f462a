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

#include <array>

namespace {

// A host with six skip buttons, as the main window carries them.
class SkipHost : public QWidget {
public:
    SkipHost()
    {
        const QStringList captions{"-30(Z)", "-10(X)", "-3(C)", "+10(V)", "+30(B)", "+90(N)"};
        for (int i = 0; i < 6; ++i)
            buttons[i] = new QPushButton(captions.at(i), this);
    }
    fmOptKey::SkipCaptions captions()
    {
        return {[this](int i) { return buttons.at(i)->text(); },
                [this](int i, const QString &caption) { buttons.at(i)->setText(caption); }};
    }
    std::array<QPushButton *, 6> buttons{};
};

class KeySettingsDialog : public ::testing::Test {
protected:
    void SetUp() override { setScreenMetricsOverride(ScreenMetrics{}); }
    void TearDown() override { setScreenMetricsOverride(std::nullopt); }

    QString stored(const QString &section, const QString &key)
    {
        return m_pref.GetSetting(section, key, QStringLiteral("<none>")).toText();
    }

    /// Opens the dialog on skip button `index`, runs `act` on it while it is
    /// shown, and returns once it has closed (or failed to).
    void edit(int index, const std::function<void(fmOptKey &)> &act)
    {
        fmOptKey dialog(m_pref, m_host.captions());
        QTimer::singleShot(0, [&] {
            if (!waitUntil([&] { return QApplication::activeModalWidget() == &dialog; })) {
                ADD_FAILURE() << "the dialog was not shown modally";
                return;
            }
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
    SkipHost m_host;
    QString m_pushed;
};

TEST_F(KeySettingsDialog, OkWritesTheCaptionAndStoresTheTextsAsTyped)
{
    const struct {
        int index;
        const char *startCaption;
        const char *shownTime;
        const char *shownLetter;
        const char *time;
        const char *letter;
        const char *caption;
    } cases[] = {
        {3, "+10(V)", "10", "V", "15", "Q", "+15(Q)"},
        {1, "-10(X)", "-10", "X", "-5.50", "X", "-5.5(X)"},
        {4, "-5.50(X)", "-5.5", "X", "-5.50", "X", "-5.5(X)"},
        {0, "+30(B)", "30", "B", "+20", "B", "++20(B)"},
        {2, "abc(C)", "0", "C", "abc", "C", "0(C)"},
        {5, "2.50", "2.5", "", "7", "", "+7()"},
        {0, "1(", "1", "", "1", "W", "+1(W)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.startCaption);
        m_host.buttons[c.index]->setText(c.startCaption);
        QString shownTime, shownLetter;
        edit(c.index, [&](fmOptKey &d) {
            shownTime = d.TxTime()->text();
            shownLetter = d.TxChar()->text();
            d.TxTime()->setText(c.time);
            d.TxChar()->setText(c.letter);
            d.btOK()->click();
        });
        EXPECT_EQ(shownTime, c.shownTime);
        EXPECT_EQ(shownLetter, c.shownLetter);
        EXPECT_EQ(m_host.buttons[c.index]->text(), c.caption);
        EXPECT_EQ(stored("KeySetting", QStringLiteral("SkipTime%1").arg(c.index)), c.time);
        EXPECT_EQ(stored("KeySetting", QStringLiteral("AccessKey%1").arg(c.index)), c.letter);
        EXPECT_EQ(m_pushed, "OK");
    }
}

TEST_F(KeySettingsDialog, CloseBoxAndAltF4CancelAndKeepOnlyThePlace)
{
    const std::function<void(fmOptKey &)> closers[] = {
        [](fmOptKey &d) { d.close(); },
        [](fmOptKey &d) { QTest::keyClick(d.TxTime(), Qt::Key_F4, Qt::AltModifier); },
    };
    for (const auto &closeIt : closers) {
        m_pref.ClearData();
        edit(3, [&](fmOptKey &d) {
            d.TxTime()->setText("99");
            d.TxChar()->setText("P");
            d.move(d.x() + 7, d.y());
            closeIt(d);
        });
        EXPECT_EQ(m_pushed, "Cancel");
        EXPECT_EQ(m_host.buttons[3]->text(), "+10(V)");
        EXPECT_EQ(stored("KeySetting", "SkipTime3"), "<none>");
        EXPECT_EQ(stored("KeySetting", "AccessKey3"), "<none>");
        EXPECT_NE(stored("Window", "KeySetting.Left"), "<none>");
        EXPECT_NE(stored("Window", "KeySetting.Top"), "<none>");
    }
}

TEST_F(KeySettingsDialog, EnterAndEscDoNothingAndTheLetterTakesOneCharacter)
{
    edit(0, [](fmOptKey &d) {
        EXPECT_EQ(d.focusWidget(), d.TxTime());
        QTest::keyClick(d.TxTime(), Qt::Key_Return);
        QTest::keyClick(d.TxTime(), Qt::Key_Escape);
        QTest::keyClick(d.TxChar(), Qt::Key_Enter);
        QTest::keyClick(&d, Qt::Key_Escape);
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(d.PushedButtonCaption.isEmpty());
        EXPECT_FALSE(d.btOK()->isDefault());

        d.TxChar()->clear();
        QTest::keyClicks(d.TxChar(), "AB");
        EXPECT_EQ(d.TxChar()->text(), "A");
        // Tab goes from the time to the letter to OK.
        EXPECT_EQ(d.TxTime()->nextInFocusChain(), d.TxChar());
        d.btOK()->click();
    });
    EXPECT_EQ(m_host.buttons[0]->text(), "-30(A)");
}

TEST_F(KeySettingsDialog, OpensCentredThenWhereItWasLeft)
{
    const ScreenMetrics screen;
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
    EXPECT_NEAR(first.x(), (screen.screenSize.width() / 15 - client.width()) / 2, 1);
    EXPECT_NEAR(first.y(), (screen.screenSize.height() / 15 - client.height()) / 2, 1);
    EXPECT_EQ(stored("Window", "KeySetting.Left"), "2250");
    EXPECT_EQ(stored("Window", "KeySetting.Top"), "1350");
    // At least the design's client area, which only grows when the font needs it.
    EXPECT_GE(client.width(), 3225 / 15);
    EXPECT_GE(client.height(), 1320 / 15);

    QPoint second;
    edit(0, [&](fmOptKey &d) {
        second = d.pos();
        d.close();
    });
    EXPECT_EQ(second, QPoint(150, 90));
}

} // namespace
