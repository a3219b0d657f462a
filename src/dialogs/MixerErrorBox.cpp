#include "dialogs/MixerErrorBox.h"

#include "platform/forms/SystemMessageBox.h"
#include "playback/mVolCtrl.h"

void ShowMixerError(MMRESULT code)
{
    if (code == MMSYSERR_NOERROR)
        return;
    MsgBox(MixerErrorText(code), vbOKOnly + vbExclamation);
}
