// The window's two settings dialogs: what they are handed of the window,
// and how long they live.
#include "player/fmPlayer.h"

#include "dialogs/fmDispSizeSetting.h"
#include "dialogs/fmOptKey.h"
#include "util/RuntimeError.h"

#include <QPushButton>

void fmPlayer::mnuExec_SkipModify_Click()
{
    runGuarded("mnuExec_SkipModify_Click", [this] {
        fmOptKey dialog(m_pref,
                        {[this](int i) { return BtSkip(i)->text(); },
                         [this](int i, const QString &caption) { BtSkip(i)->setText(caption); }},
                        this);
        dialog.Start(SkipEditIndex);
    });
}

void fmPlayer::mnuExec_ViewSize_DispSetting_Click()
{
    runGuarded("mnuExec_ViewSize_DispSetting_Click", [this] {
        if (!m_dispSizeSetting) {
            m_dispSizeSetting = new fmDispSizeSetting(
                m_pref,
                [this](const QString &cLeft, const QString &cTop, const QString &cBottom,
                       const QString &cRight) { CutDisplaySub(cLeft, cTop, cBottom, cRight); },
                this);
            m_dispSizeSetting->setAttribute(Qt::WA_DeleteOnClose);
            // The settings are saved by then: a place or a cut stored later
            // would never reach the file, so the dialog leaves without a word.
            connect(this, &fmPlayer::unloading, m_dispSizeSetting.data(), &fmDispSizeSetting::discard);
        }
        m_dispSizeSetting->Start();
        // Chosen again while open: back to the front, from the task bar too.
        m_dispSizeSetting->setWindowState(m_dispSizeSetting->windowState() & ~Qt::WindowMinimized);
        m_dispSizeSetting->show();
        m_dispSizeSetting->raise();
        m_dispSizeSetting->activateWindow();
    });
}

fmDispSizeSetting *fmPlayer::displayAreaDialog() const
{
    return m_dispSizeSetting;
}
