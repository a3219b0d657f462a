#pragma once

#include "settings/PlayerSettings.h"

#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class ClassPref3;
class DesignForm;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

/// The display area dialog ("表示領域設定"): edits the four cut percentages
/// (left, top, bottom, right) of the video, with a live preview.
///
/// Modeless: the player keeps running while it is open. Every change of a
/// field, whatever its cause, calls the preview with the four texts;
/// nothing is stored until OK, which stores them as typed under
/// "CutPercent". Cancel (Esc, the close box, Alt+F4) puts the stored texts
/// back, and with them the preview. Reset sets "0" in all four and stays
/// open. Every close stores the dialog's place under "Window" /
/// "SizeSetting.Left" and "Top"; discard() drops the dialog without any of
/// this (the program is ending).
///
/// A spin bar beside each field steps it: the upper arrow adds 1, the lower
/// one subtracts 1, and the field then holds a plain number.
///
/// GUI thread only; handlers run inside runGuarded(). A caller that wants
/// the dialog freed when it closes sets Qt::WA_DeleteOnClose.
class fmDispSizeSetting final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(fmDispSizeSetting)

public:
    /// Shows a cut: the left, top, bottom and right texts as typed.
    using Preview = std::function<void(const QString &cLeft, const QString &cTop, const QString &cBottom,
                                       const QString &cRight)>;

    /// Builds the dialog with "0" in the fields and moves it to its stored
    /// place (else centres it). `pref` must outlive the dialog.
    fmDispSizeSetting(ClassPref3 &pref, Preview preview, QWidget *parent = nullptr);
    ~fmDispSizeSetting() override;

    /// Fills the four fields from the settings ("0" where a key is absent),
    /// each change previewed. The caller shows the dialog afterwards; calling
    /// it again while the dialog is open drops the unconfirmed edits.
    void Start();

    void btOK_Click();
    void BtCancel_Click();
    void BtReset_Click();
    /// Field `index` changed: previews the four texts.
    void TxCutSize_Change(int index);
    /// Spin bar `index` moved: steps its field by the bar's position and
    /// puts the bar back to 0.
    void VScCutSize_Change(int index);

    /// Hides the dialog for good without storing anything.
    void discard();

    QLineEdit *TxCutSize(int index) const { return m_fields.at(static_cast<std::size_t>(index)); }
    QScrollBar *VScCutSize(int index) const { return m_spins.at(static_cast<std::size_t>(index)); }
    QPushButton *btOK() const { return m_btOK; }
    QPushButton *BtCancel() const { return m_btCancel; }
    QPushButton *BtReset() const { return m_btReset; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void reject() override;

private:
    void buildControls();
    void buildSketch(DesignForm &form);
    void buildCutFields(DesignForm &form);
    void buildButtons(DesignForm &form);
    void chainTabOrder();
    void fillFromSettings();
    void setFields(const CutPercents &cut);
    void closeDialog();

    PlayerSettings m_settings;
    Preview m_preview;
    std::array<QLineEdit *, 4> m_fields{};
    std::array<QScrollBar *, 4> m_spins{};
    std::array<QLabel *, 4> m_percent{};
    QLabel *m_label3 = nullptr;
    QFrame *m_frame1 = nullptr;
    QFrame *m_picture1 = nullptr;
    QLabel *m_laWidth = nullptr;
    QLabel *m_laHeight = nullptr;
    QPushButton *m_btOK = nullptr;
    QPushButton *m_btCancel = nullptr;
    QPushButton *m_btReset = nullptr;
    bool m_discarded = false;
};
