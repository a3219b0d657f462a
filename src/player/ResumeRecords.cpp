#include "player/ResumeRecords.h"

#include "settings/ClassPref3.h"
#include "util/FileFingerprint.h"
#include "util/FileNames.h"
#include "util/GetToken.h"
#include "util/Numbers.h"

#include <QStringList>

#include <cmath>

namespace {

/// The point a stored value gives, or nullopt for a dropped (emptied) or
/// damaged record.
std::optional<ResumePoint> pointOf(const QString &value)
{
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

QString recordValue(ClassPref3 &pref, const QString &fileName)
{
    return pref.GetSetting(ResumeSection, fileName, QString()).toText();
}

/// The sections whose entries live beside the records, under their keys.
const QString *const CompanionSections[] = {&FingerprintSection, &TrackSection};

/// Removes every print and track choice whose record is gone: the one just
/// dropped, and any a build without them left behind when it dropped records.
void forgetPrintsWithoutRecords(ClassPref3 &pref)
{
    for (const QString *section : CompanionSections) {
        QStringList keys;
        if (pref.GetSectionKeys(*section, keys) == 0)
            continue;
        for (const QString &key : std::as_const(keys)) {
            if (recordValue(pref, key).isEmpty())
                pref.RemoveSetting(*section, key);
        }
    }
}

/// Stores a record under the limit of 40.
void storeRecord(ClassPref3 &pref, const QString &fileName, const QString &value)
{
    QStringList keys;
    if (pref.GetSectionKeys(ResumeSection, keys) >= ResumeRecordLimit) {
        // Later writes of the run find the same emptied key first: the prints
        // are looked over once, when a record really goes, not at every write.
        const bool drops = !recordValue(pref, keys.first()).isEmpty();
        pref.RemoveSetting(ResumeSection, keys.first());
        if (drops)
            forgetPrintsWithoutRecords(pref);
    }
    pref.SaveSetting(ResumeSection, fileName, value);
}

/// Gives the entry `from` of `section` the name `to`. Renamed in place, the
/// record keeps its age and the section its count, so the limit of 40 drops
/// nothing for a move; a key `to` left emptied earlier in this run takes
/// the value instead.
void moveEntry(ClassPref3 &pref, const QString &section, const QString &from, const QString &to)
{
    if (pref.RenameKey(section, from, to))
        return;
    const QString value = pref.GetSetting(section, from, QString()).toText();
    pref.RemoveSetting(section, from);
    pref.SaveSetting(section, to, value);
}

/// Whether `fileName` still holds the file printed `print`. A file there that
/// cannot be read may well be it; its record is kept rather than lost.
bool stillHolds(const QString &fileName, const FileFingerprint &print)
{
    if (const std::optional<FileFingerprint> there = fileFingerprint(fileName))
        return *there == print;
    return fileStatus(fileName).exists;
}

/// The record of the file `fileName` kept under another name, moved or
/// copied to this one (see findResumeRecord).
std::optional<ResumePoint> adoptByFingerprint(ClassPref3 &pref, const QString &fileName)
{
    if (!pref.SearchSection(FingerprintSection))
        return std::nullopt;
    const FileStatus status = fileStatus(fileName);
    if (!status.regular || status.size <= 0)
        return std::nullopt;
    // The prints are walked by value, in slot order (GetData), and only a
    // print of the file's size has its key looked up; the file itself is
    // read only then.
    const Variant count = pref.SectionKeyCount(FingerprintSection);
    const int entries = count.isNumber() ? static_cast<int>(count.toNumber()) : 0;
    const QString sizePrefix = FileFingerprint::sizePrefix(status.size);
    std::optional<FileFingerprint> own;
    QString ownText;
    QString copyFrom;
    for (int i = 0; i < entries; ++i) {
        const QString print = i == 0 ? pref.GetData(FingerprintSection) : pref.GetData();
        if (!print.startsWith(sizePrefix))
            continue;
        const QString key = pref.Keys(FingerprintSection, i).toText();
        if (key.isEmpty() || key == fileName)
            continue;
        if (!own) {
            own = fileFingerprint(fileName);
            if (!own)
                return std::nullopt;
            ownText = own->toText();
        }
        if (print != ownText)
            continue;
        const std::optional<ResumePoint> point = pointOf(recordValue(pref, key));
        if (!point)
            continue;
        if (stillHolds(key, *own)) {
            // A copy; a moved record, if there is one too, is the better find.
            if (copyFrom.isEmpty())
                copyFrom = key;
            continue;
        }
        moveEntry(pref, ResumeSection, key, fileName);
        moveEntry(pref, FingerprintSection, key, fileName);
        if (!pref.GetSetting(TrackSection, key, QString()).toText().isEmpty())
            moveEntry(pref, TrackSection, key, fileName);
        return point;
    }
    if (copyFrom.isEmpty())
        return std::nullopt;
    const QString value = recordValue(pref, copyFrom);
    storeRecord(pref, fileName, value);
    pref.SaveSetting(FingerprintSection, fileName, ownText);
    const QString tracks = pref.GetSetting(TrackSection, copyFrom, QString()).toText();
    if (!tracks.isEmpty())
        pref.SaveSetting(TrackSection, fileName, tracks);
    return pointOf(value);
}

} // namespace

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
    storeRecord(pref, fileName, resumeRecordText(position, length));
    if (const std::optional<FileFingerprint> print = fileFingerprint(fileName))
        pref.SaveSetting(FingerprintSection, fileName, print->toText());
}

bool isUsableTime(double seconds)
{
    // The MCI path seeks in whole milliseconds of 32 bits, the narrowest
    // of the conversions a resume point goes through (about 24 days).
    return std::isfinite(seconds) && std::abs(seconds) * 1000 < 2147483647.5;
}

std::optional<ResumePoint> findResumeRecord(ClassPref3 &pref, const QString &fileName)
{
    if (fileName.isEmpty())
        return std::nullopt;
    // A name the section does not hold in any letter case needs no walk.
    if (!pref.GetSetting(ResumeSection, fileName).isMissing()) {
        const QStringList keys = pref.Keys(ResumeSection).toList();
        for (const QString &key : keys) {
            if (key != fileName)
                continue;
            const QString value = recordValue(pref, key);
            // A record dropped earlier in this run is no record: the file
            // may find its place by its print.
            if (value.isEmpty())
                break;
            return pointOf(value);
        }
    }
    return adoptByFingerprint(pref, fileName);
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

namespace {

constexpr QLatin1String AudioPart("a=");
constexpr QLatin1String SubtitlePart("s=");
constexpr QLatin1String NoSubtitles("no");

} // namespace

QString trackChoiceText(const TrackChoice &choice)
{
    QStringList parts;
    if (choice.audio)
        parts << AudioPart + QString::number(*choice.audio);
    if (choice.subtitle)
        parts << SubtitlePart +
                     (*choice.subtitle == 0 ? QString(NoSubtitles) : QString::number(*choice.subtitle));
    return parts.join(QLatin1Char(','));
}

TrackChoice parseTrackChoice(const QString &text)
{
    TrackChoice choice;
    const QStringList parts = text.split(QLatin1Char(','));
    for (const QString &raw : parts) {
        const QString part = raw.trimmed();
        const bool audio = part.startsWith(AudioPart);
        if (!audio && !part.startsWith(SubtitlePart))
            continue;
        const QString value = part.mid(AudioPart.size());
        bool number = false;
        const int id = value.toInt(&number);
        if (number && id > 0)
            (audio ? choice.audio : choice.subtitle) = id;
        else if (!audio && value == NoSubtitles)
            choice.subtitle = 0;
    }
    return choice;
}

void writeTrackChoice(ClassPref3 &pref, const QString &fileName, const TrackChoice &choice)
{
    if (fileName.isEmpty())
        return;
    if (choice.isEmpty())
        pref.RemoveSetting(TrackSection, fileName);
    else
        pref.SaveSetting(TrackSection, fileName, trackChoiceText(choice));
}

TrackChoice findTrackChoice(ClassPref3 &pref, const QString &fileName)
{
    // Keys are found in any letter case; the choice is that of this very
    // name only, as its record is.
    if (fileName.isEmpty() || pref.GetSetting(TrackSection, fileName).isMissing())
        return {};
    const QStringList keys = pref.Keys(TrackSection).toList();
    if (!keys.contains(fileName))
        return {};
    return parseTrackChoice(pref.GetSetting(TrackSection, fileName, QString()).toText());
}
