#pragma once

#include "dialogs/MsgLayout.h"
#include "dialogs/comMsg.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

/// The message box form: a message, an optional icon, option buttons, a check
/// box, an input line and a row of buttons, laid out again (in twips) by every
/// member that adds to it, so they may be called in any order.
///
/// Lifecycle: created per use. "Unloading" (a pressed button of a box with
/// the unload-on-close flag, a time-out of a modeless box, Unload()) hides the
/// box for good and, when the owner set Qt::WA_DeleteOnClose, frees it later;
/// otherwise the owner frees it. Hiding ends a modal exec(). GUI thread only.
class fmMsg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(fmMsg)

public:
    /// Button roles for AddButton.
    enum DefaultModes { PlainButton = 0, DefaultButton = 1, CancelButton = 2 };

    explicit fmMsg(QWidget *parent = nullptr);
    ~fmMsg() override;

    /// Shows the icon of `IconNum & 0x70` (0x10 stop, 0x20 question,
    /// 0x30 exclamation, 0x40 information) from the desktop style, 32 × 32
    /// pixels, and beeps; any other value removes the icon.
    void DrawSysIcon(int IconNum);
    /// Adds an option button; `DefaultValue` 1 marks the one that starts selected.
    void AddOpt(const QString &CaptionText, int DefaultValue, bool Enabled);
    /// Shows the check box with `Value` 0 (clear), 1 (ticked) or 2 (grey);
    /// throws RuntimeError 380 for any other value.
    void AddCh(const QString &CaptionText, int Value);
    /// Appends a button returning `ButtonValue`; `DefaultMode` 1 makes it the
    /// button Enter presses, 2 the one Esc presses.
    void AddButton(const QString &CaptionText, int DefaultMode, int ButtonValue);
    /// Sets the message; the label sizes itself to it (CR LF breaks lines).
    void DispText(const QString &sData);
    /// A box that could never be closed (no time-out, no button) gets a
    /// "Close" button that unloads it; then the box is centred on the screen.
    void DispCenter();
    /// The same "Close" rule as DispCenter.
    void DispSlide();

    QString InputStr() const;
    void setInputStr(const QString &text);
    QString InputLabel() const;
    /// Sets the input's label and shows the input line.
    void setInputLabel(const QString &caption);
    /// Maximum length of the input; 0 means no limit.
    int InputLength() const;
    /// Throws RuntimeError 380 for a negative length.
    void setInputLength(int length);

    int Modal = 0;                        ///< 1 while shown modally: a time-out then only hides the box
    float TimeOut = 0;                    ///< seconds until the box closes by itself; 0 never
    int ButtonNumber = MsgResult::Closed; ///< the result; Closed (128) until a button is pressed
    /// Called once, shortly after the box first appears; the box then hides.
    std::function<void()> CallBackForm;

    // Event handlers; widgets, keys and tests all come through these.
    /// Button `index` (0-based, in the order added) was pressed.
    /// Throws RuntimeError(SubscriptOutOfRange) for an index not added.
    void BtButton_Click(int index);
    void Timer1_Timer();
    void Timer2_Timer();
    void TxInput_Change();
    /// Hides the box for good (see the class comment).
    void Unload();
    bool isUnloaded() const { return m_unloaded; }

    // The controls, for callers that look at or drive them directly.
    QLabel *Picture1() const { return m_picture; }
    QLabel *LaMessage() const { return m_message; }
    QLabel *LaLabel() const { return m_inputLabel; }
    QLineEdit *TxInput() const { return m_input; }
    QCheckBox *ChMsg() const { return m_check; }
    QRadioButton *OpMsg(int index) const;
    QPushButton *BtButton(int index) const;
    int ButtonCount() const { return static_cast<int>(m_buttons.size()); }
    int OptionCount() const { return static_cast<int>(m_options.size()); }
    /// The button Esc presses, or nullptr.
    QPushButton *cancelButton() const;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void reject() override;

private:
    struct ButtonRecord {
        int DefaultMode = 0;
        int ButtonValue = 0;
        QPushButton *button = nullptr;
        double width = 0; ///< twips
    };
    struct OptionRecord {
        QRadioButton *option = nullptr;
        QString tag;
        double height = 0; ///< twips
    };

    /// Lays the box out again: the message wrapped to the screen, the
    /// controls placed, the buttons' roles set, the client sized and centred.
    void Layout();
    void wrapMessage();
    MsgLayoutInput layoutInput(double buttonHeight, double inputHeight) const;
    void placeControls(const MsgLayoutInput &in, const MsgLayoutResult &out);
    void fitClient(const MsgLayoutResult &out);
    void addCloseIfNeeded();
    void closeFromFrame();
    void applyButtonRoles();

    QLabel *m_picture;
    QLabel *m_message;
    /// The message as given (line ends made "\n"); the label shows it
    /// broken into lines where it would not fit the screen.
    QString m_text;
    QLabel *m_inputLabel;
    QLineEdit *m_input;
    QCheckBox *m_check;
    QTimer *m_timer1;
    QTimer *m_timer2;
    std::vector<ButtonRecord> m_buttons;
    std::vector<OptionRecord> m_options;
    QPushButton *m_cancel = nullptr;
    bool m_iconShown = false;
    double m_contentWidth = 0;
    double m_checkWidth = 0;
    double m_checkHeight = 0;
    bool m_checkShown = false;
    bool m_inputShown = false;
    int m_inputLength = 0;
    bool m_unloadOnClose = false;
    bool m_unloaded = false;
    bool m_firstShowDone = false;
    double m_twipsPerPixelX;
    double m_twipsPerPixelY;
};
