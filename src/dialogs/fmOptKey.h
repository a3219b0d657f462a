#pragma once

#include "settings/PlayerSettings.h"

#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class ClassPref3;
class QLabel;
class QLineEdit;
class QPushButton;

/// The key settings dialog ("キー設定"): edits the skip time and the
/// shortcut letter of one skip button of the main window.
///
/// The window hands it the skip captions to read and write; the dialog reads
/// and writes the settings itself. OK writes the new caption onto the button
/// at once and stores "KeySetting" / "SkipTime"N and "AccessKey"N exactly as
/// typed. The close box (and Alt+F4) cancels: only the dialog's place, which
/// every close stores under "Window" / "KeySetting.Left" and "Top", is kept.
/// OK is neither a default nor a cancel button, so Enter and Esc do nothing.
///
/// Lifecycle: one dialog per edit; construct it, call Start(), discard it.
/// GUI thread only; handlers run inside runGuarded().
class fmOptKey final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(fmOptKey)

public:
    /// The window's skip buttons, by index 0..5.
    struct SkipCaptions {
        std::function<QString(int)> read;
        std::function<void(int, const QString &)> write;
    };

    /// Builds the dialog and runs its load step (the stored place, else
    /// centred on the screen). `pref` must outlive the dialog.
    fmOptKey(ClassPref3 &pref, SkipCaptions captions, QWidget *parent = nullptr);
    ~fmOptKey() override;

    /// Fills the fields from skip button `index`'s caption (the letter after
    /// its first "(", kept when there is none; its amount in plain decimal)
    /// and shows the dialog modally; returns once it has closed.
    /// Throws RuntimeError(Overflow) for a caption whose amount is beyond
    /// the double range; the dialog is then not shown.
    void Start(int index);

    /// OK: writes the caption, stores both texts as typed, closes. A time
    /// beyond the double range is told in a message box instead, and the
    /// dialog stays open with nothing written.
    void btOK_Click();

    int ButtonIndex() const { return m_buttonIndex; }
    /// "OK" after OK, "Cancel" after the close box; empty before.
    QString PushedButtonCaption;

    QLineEdit *TxTime() const { return m_txTime; }
    QLineEdit *TxChar() const { return m_txChar; }
    QPushButton *btOK() const { return m_btOK; }
    /// 0 "スキップする時間", 1 "ショートカット文字", 2 "秒".
    QLabel *Label1(int index) const { return m_label1.at(static_cast<std::size_t>(index)); }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void closeDialog(int result);

    PlayerSettings m_settings;
    SkipCaptions m_captions;
    int m_buttonIndex = 0;
    std::array<QLabel *, 3> m_label1{};
    QLineEdit *m_txTime;
    QLineEdit *m_txChar;
    QPushButton *m_btOK;
};
