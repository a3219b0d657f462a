#include "settings/PlayerSettings.h"

#include "settings/ClassPref3.h"
#include "settings/KeyEscape.h"
#include "util/Numbers.h"
#include "util/RuntimeError.h"
#include "util/Variant.h"

#include <array>

namespace {

const std::array<const char *, PlayerSettings::SkipCount> DefaultSkipTimes{"-30", "-10", "-3",
                                                                           "10",  "30",  "90"};
const std::array<const char *, PlayerSettings::SkipCount> DefaultAccessKeys{"Z", "X", "C", "V", "B", "N"};

QString formKeyPrefix(PlacedForm form)
{
    switch (form) {
    case PlacedForm::Main: return QStringLiteral("Main");
    case PlacedForm::KeySetting: return QStringLiteral("KeySetting");
    case PlacedForm::SizeSetting: return QStringLiteral("SizeSetting");
    }
    return {};
}

/// Lengths are kept in single precision, as the forms hold them.
QString singleText(double value)
{
    return Variant::numberText(value, 7);
}

std::size_t skipSlot(int index)
{
    if (index < 0 || index >= PlayerSettings::SkipCount)
        throw RuntimeError(ErrNo::SubscriptOutOfRange);
    return static_cast<std::size_t>(index);
}

QString skipTimeKey(int index)
{
    return QStringLiteral("SkipTime%1").arg(index);
}

QString accessKeyKey(int index)
{
    return QStringLiteral("AccessKey%1").arg(index);
}

} // namespace

FormPlace PlayerSettings::formPlace(PlacedForm form, FormPlace fallback) const
{
    const QString prefix = formKeyPrefix(form);
    FormPlace place;
    place.left = Val(
        m_pref.GetSetting(SettingsSection::Window, prefix + QStringLiteral(".Left"), fallback.left).toText());
    place.top = Val(
        m_pref.GetSetting(SettingsSection::Window, prefix + QStringLiteral(".Top"), fallback.top).toText());
    return place;
}

void PlayerSettings::setFormPlace(PlacedForm form, FormPlace place) const
{
    const QString prefix = formKeyPrefix(form);
    m_pref.SaveSetting(SettingsSection::Window, prefix + QStringLiteral(".Left"), singleText(place.left));
    m_pref.SaveSetting(SettingsSection::Window, prefix + QStringLiteral(".Top"), singleText(place.top));
}

bool PlayerSettings::storedSwitch(const QString &section, const QString &key, bool fallback) const
{
    const Variant stored = m_pref.GetSetting(section, key, fallback);
    try {
        return stored.toBool();
    } catch (const RuntimeError &) {
        // A hand-edited value that is no switch at all: the default is the
        // only reading that leaves the window usable.
        return fallback;
    }
}

bool PlayerSettings::frontSet() const
{
    return storedSwitch(SettingsSection::Window, QStringLiteral("FrontSet"), false);
}

void PlayerSettings::setFrontSet(bool on) const
{
    m_pref.SaveSetting(SettingsSection::Window, QStringLiteral("FrontSet"), Variant(on).toText());
}

bool PlayerSettings::videoDisp() const
{
    return storedSwitch(SettingsSection::Setting, QStringLiteral("VideoDisp"), true);
}

void PlayerSettings::setVideoDisp(bool on) const
{
    m_pref.SaveSetting(SettingsSection::Setting, QStringLiteral("VideoDisp"), Variant(on).toText());
}

double PlayerSettings::videoSize(double fallbackPixels) const
{
    return Val(
        m_pref.GetSetting(SettingsSection::Setting, QStringLiteral("VideoSize"), fallbackPixels).toText());
}

void PlayerSettings::setVideoSize(double pixels) const
{
    m_pref.SaveSetting(SettingsSection::Setting, QStringLiteral("VideoSize"), singleText(pixels));
}

QString PlayerSettings::skipTime(int index) const
{
    return m_pref
        .GetSetting(SettingsSection::KeySetting, skipTimeKey(index), DefaultSkipTimes[skipSlot(index)])
        .toText();
}

void PlayerSettings::setSkipTime(int index, const QString &amount) const
{
    skipSlot(index);
    m_pref.SaveSetting(SettingsSection::KeySetting, skipTimeKey(index), amount);
}

QString PlayerSettings::accessKey(int index) const
{
    return unescapeKey(
        m_pref
            .GetSetting(SettingsSection::KeySetting, accessKeyKey(index), DefaultAccessKeys[skipSlot(index)])
            .toText());
}

void PlayerSettings::setAccessKey(int index, const QString &letter) const
{
    skipSlot(index);
    // A letter the Shift-JIS file cannot hold ("é") would come back as "?";
    // it is written in the reversible form the file's keys use.
    m_pref.SaveSetting(SettingsSection::KeySetting, accessKeyKey(index), escapeKey(letter));
}

QString heldCutPercent(const QString &text)
{
    double value = 0;
    try {
        value = Val(text);
    } catch (const RuntimeError &) {
        // Beyond the double range: only its sign matters here.
        bool negative = false;
        for (const QChar c : text) {
            if (!c.isSpace()) {
                negative = c == QLatin1Char('-');
                break;
            }
        }
        value = negative ? CutPercentRange::Least - 1 : CutPercentRange::Most + 1;
    }
    if (value < CutPercentRange::Least)
        return Variant::numberText(CutPercentRange::Least);
    if (value > CutPercentRange::Most)
        return Variant::numberText(CutPercentRange::Most);
    return text;
}

CutPercents PlayerSettings::cutPercents() const
{
    const auto read = [this](const char *key) {
        return heldCutPercent(
            m_pref.GetSetting(SettingsSection::CutPercent, QString::fromLatin1(key), 0).toText());
    };
    CutPercents cut;
    cut.left = read("Left");
    cut.top = read("Top");
    cut.bottom = read("Bottom");
    cut.right = read("Right");
    return cut;
}

void PlayerSettings::setCutPercents(const CutPercents &cut) const
{
    m_pref.SaveSetting(SettingsSection::CutPercent, QStringLiteral("Left"), heldCutPercent(cut.left));
    m_pref.SaveSetting(SettingsSection::CutPercent, QStringLiteral("Top"), heldCutPercent(cut.top));
    m_pref.SaveSetting(SettingsSection::CutPercent, QStringLiteral("Bottom"), heldCutPercent(cut.bottom));
    m_pref.SaveSetting(SettingsSection::CutPercent, QStringLiteral("Right"), heldCutPercent(cut.right));
}
