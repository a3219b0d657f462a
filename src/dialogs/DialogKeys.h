#pragma once

#include "dialogs/DesignForm.h"

#include <QString>

#include <array>

/// The settings the dialogs read and write.
namespace DialogKeys {
inline const DialogPlaceKeys KeySettingPlace{QStringLiteral("KeySetting.Left"),
                                             QStringLiteral("KeySetting.Top")};
inline const DialogPlaceKeys SizeSettingPlace{QStringLiteral("SizeSetting.Left"),
                                              QStringLiteral("SizeSetting.Top")};

/// "KeySetting" keys of skip button `index` (one digit, no leading zero).
inline QString skipTime(int index)
{
    return QStringLiteral("SkipTime%1").arg(index);
}
inline QString accessKey(int index)
{
    return QStringLiteral("AccessKey%1").arg(index);
}

/// "CutPercent" keys in the order of the display area fields.
inline const std::array<QString, 4> CutPercentKeys{QStringLiteral("Left"), QStringLiteral("Top"),
                                                   QStringLiteral("Bottom"), QStringLiteral("Right")};
} // namespace DialogKeys
