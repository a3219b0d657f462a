#include "player/ResumeRecords.h"

#include "settings/ClassPref3.h"
#include "util/GetToken.h"
#include "util/Numbers.h"

#include <QStringList>

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
        return point;
    }
    return std::nullopt;
}
