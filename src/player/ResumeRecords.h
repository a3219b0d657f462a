#pragma once

#include "playback/TrackChoice.h"
#include "settings/PlayerSettings.h"

#include <QString>

#include <optional>

class ClassPref3;

/// Where playback of each media file stopped, kept in the settings section
/// "Files": the key is the file name, the value "position,length" in seconds.

/// Records live under this section.
inline const QString ResumeSection = SettingsSection::Files;

/// Beside each record, under the same key, the file's fingerprint
/// (FileFingerprint.h): a record follows its file through a rename, a move
/// or a copy. A section of its own keeps "Files" as it always was, so a
/// build that knows nothing of prints reads and writes the records as ever.
inline const QString FingerprintSection = SettingsSection::FileFingerprints;

/// Beside the records, under the same key, the sound and subtitle tracks
/// chosen for the file. They go with the records as the prints do: dropped
/// when the record is, moved and copied with it.
inline const QString TrackSection = SettingsSection::FileTracks;

/// At this many keys the oldest record is dropped before a new one is written.
constexpr int ResumeRecordLimit = 40;

/// A file is worth remembering only while more than 10 seconds remain; a
/// file watched to (nearly) its end starts afresh next time.
bool isWorthResuming(double position, double length);

/// The stored value: both numbers as plain decimal text, joined by a comma.
QString resumeRecordText(double position, double length);

/// Writes the record of `fileName`. When the section lists 40 or more keys
/// the first listed one (the oldest) is removed first. A removed key keeps its
/// place in the list until the file is saved, so later writes in the same run
/// find that emptied key first again and drop nothing more: the section may
/// grow past 40 within a run, by at most one dropped record per run.
///
/// The file's fingerprint is stored beside the record (read afresh: a file
/// still being written changes). A file that cannot be read keeps the print
/// stored before, if any: it may have been renamed while it played. Prints go
/// with their records: the dropped record's print is removed, and so is any
/// print left without a record (by a build that drops records without them).
void writeResumeRecord(ClassPref3 &pref, const QString &fileName, double position, double length);

/// A record read back.
struct ResumePoint {
    double position = 0; ///< 0 when the field is missing or not a number
    double length = 0;   ///< 0 when the field is missing or not a number
};

/// Whether a resume point of `seconds` can be shown and sought to: its
/// milliseconds fit 32 bits.
bool isUsableTime(double seconds);

/// The record stored for exactly `fileName` (letter case included), or
/// nullopt when there is none. A record dropped earlier in this run (its
/// value emptied) counts as none, and so does one whose position or length
/// is not usable (isUsableTime).
///
/// When no record is stored under the name at all, the record whose
/// fingerprint is that of the file is found instead and given to this name:
/// it moves here (the record and its print leave the old name) when the old
/// name is gone or now holds other content, and is copied (both names keep
/// it) when the old name still holds the same file; the tracks chosen for it
/// go along the same way. A copy is a new record
/// and obeys the limit of 40 as writeResumeRecord() does. A file that cannot
/// be read finds nothing this way. Only files whose size some stored print
/// names are read (128 KiB at most), so opening a new file costs one stat.
std::optional<ResumePoint> findResumeRecord(ClassPref3 &pref, const QString &fileName);

/// The stored text of the record of `fileName` as the store finds it (letter
/// case aside), or nullopt when there is none or it was dropped in this run.
std::optional<QString> storedResumeRecord(ClassPref3 &pref, const QString &fileName);

/// Puts `text` back as the record of `fileName`, as storedResumeRecord read
/// it: nullopt removes the record (it is left out of the next save).
void restoreResumeRecord(ClassPref3 &pref, const QString &fileName, const std::optional<QString> &text);

/// The stored form of a track choice: "a=<id>" and "s=<id>" ("s=no": no
/// subtitles), joined by a comma, each only when chosen ("a=2,s=no", "s=1").
QString trackChoiceText(const TrackChoice &choice);
/// A stored choice read back. Parts that are not understood (damaged, or
/// written by a later build) are left out.
TrackChoice parseTrackChoice(const QString &text);

/// Keeps the tracks chosen for `fileName` beside its record (an empty choice
/// removes them). They stay while the file has a record, and until the next
/// record is dropped when it has none (it was watched to its end).
void writeTrackChoice(ClassPref3 &pref, const QString &fileName, const TrackChoice &choice);
/// The tracks stored for exactly `fileName`; empty when none. Run
/// findResumeRecord() first: a renamed or moved file's choice comes with its
/// record.
TrackChoice findTrackChoice(ClassPref3 &pref, const QString &fileName);
