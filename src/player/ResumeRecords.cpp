#include "player/ResumeRecords.h"

#include "settings/ClassPref3.h"
#include "util/GetToken.h"
#include "util/Numbers.h"

#include <QStringList>

#include <cmath>

bool isWorthResuming(double position, double length)
{
    return length - 10 > position;
}

QString resumeRecordText(double position, double length)
{
    return Variant::numberText(position) + QLatin1Char(',') + Variant::numberText(length);
}

void writeResumeRecord(ClassPref3 &pref, const QString &fileName, double position, double length)
{
    QStringList keys;
    if (pref.GetSectionKeys(ResumeSection, keys) >= ResumeRecordLimit)
        pref.RemoveSetting(ResumeSection, keys.first());
    pref.SaveSetting(ResumeSection, fileName, resumeRecordText(position, length));
}

bool isUsableTime(double seconds)
{
    // The MCI path seeks in whole milliseconds of 32 bits, the narrowest
    // of the conversions a resume point goes through (about 24 days).
    return std::isfinite(seconds) && std::abs(seconds) * 1000 < 2147483647.5;
}

std::optional<ResumePoint> findResumeRecord(ClassPref3 &pref, const QString &fileName)
{
    if (fileName.isEmpty() || !pref.SearchSection(ResumeSection))
        return std::nullopt;
    const QStringList keys = pref.Keys(ResumeSection).toList();
    for (const QString &key : keys) {
        if (key != fileName)
            continue;
        const QString value = pref.GetSetting(ResumeSection, key, QString()).toText();
        // A record dropped by the limit keeps its key, emptied, until the
        // next save; there is nothing left to resume from.
        if (value.isEmpty())
            return std::nullopt;
        std::int32_t at = 1;
        ResumePoint point;
        point.position = Val(GetToken(value, at));
        point.length = Val(GetToken(QString(), at));
        // A damaged record ("1E+10,90") can neither be shown in the
        // question nor sought to; the file opens from its start and the record is
        // replaced when the file is remembered again.
        if (!isUsableTime(point.position) || !isUsableTime(point.length))
            return std::nullopt;
        return point;
    }
    return std::nullopt;
}

std::optional<QString> storedResumeRecord(ClassPref3 &pref, const QString &fileName)
{
    if (fileName.isEmpty() || !pref.SearchSection(ResumeSection))
        return std::nullopt;
    const QString value = pref.GetSetting(ResumeSection, fileName, QString()).toText();
    if (value.isEmpty())
        return std::nullopt;
    return value;
}

void restoreResumeRecord(ClassPref3 &pref, const QString &fileName, const std::optional<QString> &text)
{
    if (text)
        pref.SaveSetting(ResumeSection, fileName, *text);
    else if (storedResumeRecord(pref, fileName))
        pref.RemoveSetting(ResumeSection, fileName);
}
