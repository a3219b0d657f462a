#pragma once

#include <QWidget>

class fmPlayer;
class QLabel;
class QPushButton;

/// The version box, which is also the form that runs the commands handed
/// over by later starts.
///
/// Constructing it runs its load step: the texts, the icon, and its place
/// (centred across the screen, one third down). It stays hidden until the
/// main window's "バージョン情報" shows it (not modal). Closing it from its window frame
/// or with "閉じる" only hides it; a close by the program passes. Hiding
/// never stops the channel. GUI thread only.
class fmDDE final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(fmDDE)

public:
    /// `player` must outlive the form.
    explicit fmDDE(fmPlayer &player, QWidget *parent = nullptr);
    ~fmDDE() override;

    /// Runs one handed-over command: restores the main window if it is
    /// minimised, raises it (FrontSet on, then off: it ends not topmost even
    /// when always-on-top is checked) and opens `CmdStr` with Play, as
    /// received (quotes are Play's to remove; no command words exist).
    /// `activationToken` is the second start's, which lets the window system
    /// bring the window forward.
    void LinkExecute(const QString &CmdStr, const QString &activationToken = QString());

    /// "閉じる": hides the form.
    void BtClose_Click();
    /// Opens the web address that Label2 shows.
    void Label2_Click();

    QLabel *label1() const { return Label1; }
    QLabel *label2() const { return Label2; }
    QLabel *image1() const { return Image1; }
    QPushButton *closeButton() const { return BtClose; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    fmPlayer &m_player;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Image1 = nullptr;
    QPushButton *BtClose = nullptr;
};

/// The version text of the box: "Kovaplex.Exe  <version>", two CR LF, the
/// notice line.
QString versionText(const QString &version);
