#include "dialogs/fmDispSizeSetting.h"
#include "platform/forms/ScreenMetrics.h"
#include "settings/ClassPref3.h"

#include "TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class DisplayAreaDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        setScreenMetricsOverride(ScreenMetrics{});
        m_dialog = std::make_unique<fmDispSizeSetting>(
            m_pref, [this](const QString &l, const QString &t, const QString &b, const QString &r) {
                m_previews.push_back(QStringList{l, t, b, r});
            });
    }
    void TearDown() override
    {
        m_dialog.reset();
        setScreenMetricsOverride(std::nullopt);
    }

    void open()
    {
        m_dialog->Start();
        m_dialog->show();
        ASSERT_TRUE(waitUntil([this] { return QApplication::activeWindow() == m_dialog.get(); }));
    }
    QStringList fields() const
    {
        QStringList texts;
        for (int i = 0; i < 4; ++i)
            texts << m_dialog->TxCutSize(i)->text();
        return texts;
    }
    QStringList lastPreview() const { return m_previews.empty() ? QStringList() : m_previews.back(); }
    QString stored(const QString &key) { return m_pref.GetSetting("CutPercent", key, "<none>").toText(); }
    void storeCut(const QStringList &values)
    {
        const QStringList keys{"Left", "Top", "Bottom", "Right"};
        for (int i = 0; i < 4; ++i)
            m_pref.SaveSetting("CutPercent", keys.at(i), values.at(i));
    }

    ClassPref3 m_pref;
    std::unique_ptr<fmDispSizeSetting> m_dialog;
    std::vector<QStringList> m_previews;
};

TEST_F(DisplayAreaDialog, WithoutStoredCutShowsZerosAndCancelStoresNothing)
{
    open();
    EXPECT_EQ(fields(), QStringList({"0", "0", "0", "0"}));
    EXPECT_TRUE(m_dialog->btOK()->hasFocus());
    m_dialog->BtCancel()->click();
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_FALSE(m_pref.SearchSection("CutPercent"));
    EXPECT_NE(m_pref.GetSetting("Window", "SizeSetting.Left", "<none>").toText(), "<none>");
    EXPECT_NE(m_pref.GetSetting("Window", "SizeSetting.Top", "<none>").toText(), "<none>");
}

TEST_F(DisplayAreaDialog, EveryChangePreviewsAndOnlyOkStores)
{
    storeCut({"5", "", "x", "2.50"});
    open();
    EXPECT_EQ(fields(), QStringList({"5", "", "x", "2.50"}));
    EXPECT_EQ(lastPreview(), fields());

    m_dialog->TxCutSize(0)->clear();
    QTest::keyClicks(m_dialog->TxCutSize(0), "12");
    EXPECT_EQ(lastPreview(), QStringList({"12", "", "x", "2.50"}));
    EXPECT_EQ(stored("Left"), "5");

    m_dialog->BtCancel()->click();
    EXPECT_EQ(fields(), QStringList({"5", "", "x", "2.50"}));
    EXPECT_EQ(lastPreview(), fields());

    open();
    m_dialog->TxCutSize(3)->setText("7 pct");
    m_dialog->btOK()->click();
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(stored("Right"), "7 pct");
    EXPECT_EQ(stored("Left"), "5");
    EXPECT_EQ(lastPreview(), QStringList({"5", "", "x", "7 pct"}));
}

TEST_F(DisplayAreaDialog, SpinArrowsStepTheFieldAndLeaveTheFocusThere)
{
    const struct {
        int field;
        const char *start;
        QAbstractSlider::SliderAction action;
        int times;
        const char *result;
    } cases[] = {
        {1, "0", QAbstractSlider::SliderSingleStepSub, 3, "3"},
        {2, "0", QAbstractSlider::SliderSingleStepAdd, 1, "-1"},
        {0, "12abc", QAbstractSlider::SliderSingleStepSub, 1, "13"},
        {3, "2.5", QAbstractSlider::SliderPageStepAdd, 2, "0.5"},
        {0, "", QAbstractSlider::SliderSingleStepSub, 1, "1"},
    };
    open();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.start);
        m_dialog->TxCutSize(c.field)->setText(c.start);
        for (int k = 0; k < c.times; ++k)
            m_dialog->VScCutSize(c.field)->triggerAction(c.action);
        EXPECT_EQ(m_dialog->TxCutSize(c.field)->text(), c.result);
        EXPECT_EQ(m_dialog->VScCutSize(c.field)->value(), 0);
        EXPECT_EQ(QApplication::focusWidget(), m_dialog->TxCutSize(c.field));
        EXPECT_EQ(lastPreview().at(c.field), c.result);
    }
    // A number beyond the double range cannot be stepped; the bar still rests.
    m_dialog->TxCutSize(0)->setText("1e999");
    m_dialog->VScCutSize(0)->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(m_dialog->TxCutSize(0)->text(), "1e999");
    EXPECT_EQ(m_dialog->VScCutSize(0)->value(), 0);
}

TEST_F(DisplayAreaDialog, ResetZeroesAllAndStaysOpenUntilOkStoresThem)
{
    storeCut({"10", "20", "30", "40"});
    open();
    m_dialog->BtReset()->click();
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_EQ(fields(), QStringList({"0", "0", "0", "0"}));
    EXPECT_EQ(lastPreview(), fields());
    EXPECT_EQ(stored("Top"), "20");
    m_dialog->btOK()->click();
    for (const char *key : {"Left", "Top", "Bottom", "Right"})
        EXPECT_EQ(stored(key), "0");
}

TEST_F(DisplayAreaDialog, KeysAndTheCloseBoxAct)
{
    storeCut({"1", "2", "3", "4"});
    open();
    // Enter presses OK from a field.
    m_dialog->TxCutSize(1)->setText("9");
    QTest::keyClick(m_dialog->TxCutSize(1), Qt::Key_Return);
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(stored("Top"), "9");

    // Esc, the close box and Alt+F4 cancel.
    const std::function<void()> cancels[] = {
        [this] { QTest::keyClick(m_dialog->TxCutSize(2), Qt::Key_Escape); },
        [this] { m_dialog->close(); },
        [this] { QTest::keyClick(m_dialog->TxCutSize(2), Qt::Key_F4, Qt::AltModifier); },
    };
    for (const auto &cancel : cancels) {
        open();
        m_dialog->TxCutSize(2)->setText("50");
        cancel();
        EXPECT_FALSE(m_dialog->isVisible());
        EXPECT_EQ(m_dialog->TxCutSize(2)->text(), "3");
        EXPECT_EQ(lastPreview(), QStringList({"1", "9", "3", "4"}));
        EXPECT_EQ(stored("Bottom"), "3");
    }
}

TEST_F(DisplayAreaDialog, FocusMovesInTheDesignOrderAndSelectsTheFieldText)
{
    open();
    QWidget *expected[] = {m_dialog->TxCutSize(0), m_dialog->TxCutSize(1), m_dialog->TxCutSize(2),
                           m_dialog->TxCutSize(3), m_dialog->BtCancel()};
    for (QWidget *next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
    // A spin bar hands the focus on to its field, which selects its text.
    m_dialog->TxCutSize(2)->setText("25");
    m_dialog->VScCutSize(2)->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(QApplication::focusWidget(), m_dialog->TxCutSize(2));
    EXPECT_EQ(m_dialog->TxCutSize(2)->selectedText(), "25");
    m_dialog->BtReset()->setFocus();
    QTest::keyClick(m_dialog->BtReset(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), m_dialog->btOK());
}

TEST_F(DisplayAreaDialog, ReopenReloadsAndDiscardStoresNothing)
{
    storeCut({"1", "2", "3", "4"});
    open();
    m_dialog->TxCutSize(0)->setText("33");
    open(); // chosen again while open
    EXPECT_EQ(fields(), QStringList({"1", "2", "3", "4"}));
    EXPECT_EQ(lastPreview(), fields());

    m_dialog->TxCutSize(0)->setText("44");
    const auto previews = m_previews.size();
    m_dialog->discard();
    m_dialog->close();
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(m_previews.size(), previews);
    EXPECT_EQ(stored("Left"), "1");
    EXPECT_EQ(m_pref.GetSetting("Window", "SizeSetting.Left", "<none>").toText(), "<none>");
}

} // namespace
