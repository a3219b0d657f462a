#include "dialogs/fmDispSizeSetting.h"
#include "settings/ClassPref3.h"

#include "TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QStringList CutKeys{"Left", "Top", "Bottom", "Right"};

class DisplayAreaDialog : public ::testing::Test {
protected:
    DisplayAreaDialog()
        : m_dialog(m_pref, [this](const QString &l, const QString &t, const QString &b, const QString &r) {
            m_preview = {l, t, b, r};
        })
    {}

    void open(const QStringList &storedCut = {})
    {
        for (int i = 0; i < storedCut.size(); ++i)
            m_pref.SaveSetting("CutPercent", CutKeys.at(i), storedCut.at(i));
        m_dialog.Start();
        m_dialog.show();
        ASSERT_TRUE(waitUntil([this] { return QApplication::activeWindow() == &m_dialog; }));
    }
    QStringList fields()
    {
        QStringList texts;
        for (int i = 0; i < 4; ++i)
            texts << m_dialog.TxCutSize(i)->text();
        return texts;
    }
    QString stored(const QString &section, const QString &key)
    {
        return m_pref.GetSetting(section, key, "<none>").toText();
    }

    ClassPref3 m_pref;
    fmDispSizeSetting m_dialog;
    QStringList m_preview;
};

TEST_F(DisplayAreaDialog, WithoutStoredCutShowsZerosAndCancelStoresOnlyThePlace)
{
    open();
    EXPECT_EQ(fields(), QStringList({"0", "0", "0", "0"}));
    EXPECT_TRUE(m_dialog.btOK()->hasFocus());
    m_dialog.BtCancel()->click();
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_FALSE(m_pref.SearchSection("CutPercent"));
    EXPECT_NE(stored("Window", "SizeSetting.Left"), "<none>");
    EXPECT_NE(stored("Window", "SizeSetting.Top"), "<none>");
}

TEST_F(DisplayAreaDialog, EveryChangePreviewsAndOnlyOkStores)
{
    open({"5", "", "x", "2.50"});
    EXPECT_EQ(m_preview, QStringList({"5", "", "x", "2.50"}));
    m_dialog.TxCutSize(0)->clear();
    QTest::keyClicks(m_dialog.TxCutSize(0), "12");
    EXPECT_EQ(m_preview, QStringList({"12", "", "x", "2.50"}));
    EXPECT_EQ(stored("CutPercent", "Left"), "5");

    // Enter presses OK, which stores the texts as typed.
    m_dialog.TxCutSize(3)->setText("7 pct");
    QTest::keyClick(m_dialog.TxCutSize(3), Qt::Key_Return);
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(stored("CutPercent", "Left"), "12");
    EXPECT_EQ(stored("CutPercent", "Right"), "7 pct");
}

TEST_F(DisplayAreaDialog, CancelEscCloseBoxAndAltF4PutTheStoredCutBack)
{
    const std::function<void()> cancels[] = {
        [this] { m_dialog.BtCancel()->click(); },
        [this] { QTest::keyClick(m_dialog.TxCutSize(2), Qt::Key_Escape); },
        [this] { m_dialog.close(); },
        [this] { QTest::keyClick(m_dialog.TxCutSize(2), Qt::Key_F4, Qt::AltModifier); },
    };
    for (const auto &cancel : cancels) {
        open({"1", "2", "3", "4"});
        m_dialog.TxCutSize(2)->setText("50");
        cancel();
        EXPECT_FALSE(m_dialog.isVisible());
        EXPECT_EQ(m_preview, QStringList({"1", "2", "3", "4"}));
        EXPECT_EQ(fields(), m_preview);
        EXPECT_EQ(stored("CutPercent", "Bottom"), "3");
    }
}

TEST_F(DisplayAreaDialog, SpinArrowsStepTheFieldAndLeaveTheFocusThere)
{
    open();
    QScrollBar *top = m_dialog.VScCutSize(1);
    for (int k = 0; k < 3; ++k)
        top->triggerAction(QAbstractSlider::SliderSingleStepSub); // the upper arrow
    EXPECT_EQ(m_dialog.TxCutSize(1)->text(), "3");
    EXPECT_EQ(top->value(), 0);
    EXPECT_EQ(QApplication::focusWidget(), m_dialog.TxCutSize(1));
    EXPECT_EQ(m_preview.at(1), "3");

    m_dialog.TxCutSize(2)->setText("12abc");
    m_dialog.VScCutSize(2)->triggerAction(QAbstractSlider::SliderPageStepAdd); // a click low in the track
    EXPECT_EQ(m_dialog.TxCutSize(2)->text(), "11");

    // A number beyond the double range cannot be stepped; the bar still rests.
    m_dialog.TxCutSize(0)->setText("1e999");
    m_dialog.VScCutSize(0)->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(m_dialog.TxCutSize(0)->text(), "1e999");
    EXPECT_EQ(m_dialog.VScCutSize(0)->value(), 0);
}

TEST_F(DisplayAreaDialog, FocusMovesInTheDesignOrderAndSelectsTheFieldText)
{
    open();
    for (QWidget *next :
         {static_cast<QWidget *>(m_dialog.TxCutSize(0)), static_cast<QWidget *>(m_dialog.TxCutSize(1)),
          static_cast<QWidget *>(m_dialog.TxCutSize(2)), static_cast<QWidget *>(m_dialog.TxCutSize(3)),
          static_cast<QWidget *>(m_dialog.BtCancel())}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
    // A spin bar hands the focus on to its field, which selects its text.
    m_dialog.TxCutSize(2)->setText("25");
    m_dialog.VScCutSize(2)->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(QApplication::focusWidget(), m_dialog.TxCutSize(2));
    EXPECT_EQ(m_dialog.TxCutSize(2)->selectedText(), "25");
}

} // namespace
