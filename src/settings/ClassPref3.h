#pragma once

#include "util/RuntimeError.h"
#include "util/Variant.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <vector>

/// A data file that cannot be read or written: the runtime error, with the
/// file's name and the system's reason kept apart for a message to the user.
class SettingsFileError final : public RuntimeError {
public:
    /// `systemError`: the errno behind `reason`, 0 when none is known.
    SettingsFileError(int number, const QString &what, const QString &fileName, const QString &reason,
                      int systemError = 0);
    QString fileName() const { return m_fileName; }
    QString reason() const { return m_reason; }
    int systemError() const { return m_systemError; }

private:
    QString m_fileName;
    QString m_reason;
    int m_systemError = 0;
};

/// The sectioned settings store and its data file.
///
/// The whole file is held in memory as an ordered list of section slots, each
/// with an ordered list of entries; every operation except Load and Save
/// changes only that memory copy. Names (sections and keys) compare without
/// regard to letter case (Unicode lower-case mapping) and are never trimmed.
/// The latest store sets the letter case that is written back.
///
/// Removals leave traces until the next Save followed by Load: a section
/// removed without a key stays as a nameless "cleared" slot that still counts
/// in Count() and is reused by the next store of a new section name; a removed
/// key keeps its name with an empty value, is still listed by Keys(),
/// GetSectionKeys() and SectionKeyCount(), and is left out by Save().
///
/// The file is Shift-JIS (code page 932). Every written line ends with CR LF;
/// on reading a line ends at CR LF, a lone LF or a lone CR. A file that is
/// not valid Shift-JIS but valid UTF-8 (a byte order mark allowed) is read as
/// UTF-8, and written back in Shift-JIS. Otherwise bytes that are not valid
/// Shift-JIS read as U+FFFD. Keys are written so that the next load finds
/// them exactly (see KeyEscape.h); in values, comments and section names the
/// characters the code page cannot hold are written as "?".
///
/// File layout written by Save(): the header block when VersionCheck() is on,
/// then for each named section an empty line, its comment (when not empty),
/// "[Name]" and its entries: "Key=Value" after the entry's comment, "=Value"
/// for a nameless data entry (comment not written), nothing for a removed key.
/// Load() reads ";"/"#" lines as comments of what follows, "[" lines as
/// section headers, "key=value" and "=data" lines as entries, and ignores the
/// rest. Loading a file merges repeated section names and keys into the first
/// occurrence (later values win).
///
/// Runtime errors: file errors are SettingsFileError with the forms runtime's
/// numbers (53, 57, 61, 70, 75); an index outside the slots is
/// RuntimeError(SubscriptOutOfRange). Single-threaded: GUI thread only, but for
/// a SaveSnapshot taken from it and writeFile().
class ClassPref3 final {
public:
    ClassPref3();
    ~ClassPref3();
    Q_DISABLE_COPY_MOVE(ClassPref3)

    /// @name The data file, the switches and the header block
    /// @{
    QString FileName() const { return m_fileName; }
    void setFileName(const QString &fileName) { m_fileName = fileName; }
    /// The same field as FileName().
    QString PathName() const { return m_fileName; }
    void setPathName(const QString &vNewValue) { m_fileName = vNewValue; }

    /// Any non-zero value is on: SaveSetting() then saves the whole file after
    /// each store, and LoadSetting()/GetSetting() load the whole file before
    /// each lookup (unsaved changes are lost).
    std::int32_t AutoSave() const { return m_autoSave; }
    void setAutoSave(std::int32_t autoSave) { m_autoSave = autoSave; }

    /// When on, Save() writes the header block first and Load() requires the
    /// first three lines to equal HeaderText() or AltHeaderText() exactly.
    bool VersionCheck() const { return m_versionCheck; }
    void setVersionCheck(bool versionCheck) { m_versionCheck = versionCheck; }

    /// The version text between "; " and " ;" on the header's second line;
    /// the whole header text when it has fewer than three lines.
    QString VersionString() const;
    /// Rebuilds both header blocks around `vNewValue`; the rows of ";" are as
    /// long as the middle line in Shift-JIS bytes.
    void setVersionString(const QString &vNewValue);
    /// Three lines joined by CR LF; the default version is "データファイル 5.00".
    QString HeaderText() const { return m_headerText; }
    /// The same block without the closing " ;" and with shorter rows.
    QString AltHeaderText() const { return m_altHeaderText; }

    /// Whether this process is the program's first instance; only that one
    /// ever writes the file. The entry says so before the file is loaded;
    /// on by default.
    bool isFirstInstance() const { return m_firstInstance; }
    void setFirstInstance(bool first) { m_firstInstance = first; }
    /// Removes the temporary files that saves killed halfway (a crash, a
    /// power cut, SIGKILL) left beside the file. Only the first instance
    /// does it, before its first save: no other process writes there.
    /// Returns how many went.
    int removeLeftoverSaves() const;
    /// @}

    /// @name Whole-file operations
    /// @{

    /// Replaces the memory copy with the file's content. A non-empty
    /// `mFileName` first becomes FileName(). AutoSave() is off while loading
    /// and keeps its value afterwards, whichever way Load ends.
    /// @return false, with an empty store, when FileName() is empty, the file
    ///         is missing or not a regular file, or the header does not match
    ///         (a file of fewer than three lines included); true otherwise.
    /// @throws SettingsFileError (53, 57, 70, 75) when the file exists but
    ///         cannot be read; the store is then empty.
    bool Load(const QString &mFileName = QString());

    /// Writes the whole memory copy to FileName() through a temporary file in
    /// the same folder that replaces the old file only when every byte of it
    /// is on the disk; the new file keeps the old one's mode (and, for root,
    /// its owner). A link to a regular file is written through: its target
    /// is replaced in the target's folder and the link stays. Does nothing
    /// when FileName() is empty or when this is not the first instance
    /// (setFirstInstance()).
    /// @throws SettingsFileError (61, 57, 70, 75) when the file cannot be
    ///         written, and (75) when FileName() is, or links to, anything
    ///         but a regular file (a folder, a device, a pipe) or to nothing;
    ///         the old file (or whatever is there) is then left exactly as
    ///         it was.
    void Save();

    class SaveSnapshot;
    /// What Save() would write now, for a save finished elsewhere (another
    /// thread): the memory copy's texts, shared with the store rather than
    /// copied, so taking it costs little; or nullopt when Save() would write
    /// nothing (not the first instance, no file name).
    std::optional<SaveSnapshot> snapshotToSave() const;
    /// Replaces `fileName` with `bytes` the way Save() does (a temporary
    /// file, every write checked, fsync, rename). Touches no store, so any
    /// thread may call it; the caller keeps writes of one file in order.
    /// @throws SettingsFileError as Save() does.
    static void writeFile(const QString &fileName, const QByteArray &bytes);

    /// Empties the memory copy. FileName, the switches, the header texts and
    /// the GetData() cursor stay.
    void ClearData();

    /// The number of section slots in use, cleared slots included.
    std::int32_t Count() const { return m_sectionCount; }
    std::int32_t SectionCount() const { return m_sectionCount; }
    /// @}

    /// @name Settings operations
    /// @{

    /// Stores `Value` under `Key` in `Section` (first section of that name,
    /// else the first cleared slot, else a new one; first key of that name,
    /// else a new entry). Both names take the letter case passed. `Comment`,
    /// when given, replaces the entry's comment with its text form (empty
    /// text clears it). An empty `Value` marks the key removed. Saves the
    /// file when AutoSave() is on (and may then throw as Save() does).
    void SaveSetting(const QString &Section, const QString &Key, const QString &Value,
                     const std::optional<Variant> &Comment = std::nullopt);

    /// Appends a nameless data entry to `Section` (found as by SaveSetting).
    /// Never saves.
    void AddData(const QString &Section, const QString &Data,
                 const std::optional<Variant> &Comment = std::nullopt);

    /// The value of the first entry named `Key` in the first section named
    /// `Section` that has one, as text (a removed key gives empty text; an
    /// empty `Key` finds the first data entry). When nothing is found:
    /// `DefValue` exactly as passed, or Variant::missing() when omitted.
    /// `Comment`, when given, receives the found entry's comment and is left
    /// untouched when nothing is found. Loads the file first when AutoSave()
    /// is on (and may then throw as Load() does).
    Variant LoadSetting(const QString &Section, const QString &Key,
                        const Variant &DefValue = Variant::missing(), QString *Comment = nullptr);
    /// The same as LoadSetting().
    Variant GetSetting(const QString &Section, const QString &Key,
                       const Variant &DefValue = Variant::missing(), QString *Comment = nullptr);

    /// Reads entry values one after another, data entries and named ones
    /// alike. With `Section`: restarts at the first entry of the first section
    /// of that name and returns it. Without: returns the next entry of the
    /// section last named. Empty text at the end, for an unknown section, and
    /// for an entry whose value is empty. The cursor refers to a slot index
    /// and survives stores and ClearData().
    QString GetData(const std::optional<QString> &Section = std::nullopt, QString *Comment = nullptr);

    /// Without `Key`: every section of that name loses all its entries and its
    /// name, and stays as a cleared slot. With `Key`: in every section of that
    /// name the first entry named `Key` gets an empty value. Never saves.
    void RemoveSetting(const QString &Section, const std::optional<QString> &Key = std::nullopt);
    /// The same as RemoveSetting().
    void DeleteSetting(const QString &Section, const std::optional<QString> &Key = std::nullopt);
    /// RemoveSetting() without a key.
    void RemoveSection(const QString &Section);

    /// In the first section named `Section`, the entry named `OldKey` takes
    /// the name `NewKey` and keeps its value, comment and place. Nothing
    /// changes, and the result is false, when there is no such entry, when
    /// `NewKey` is empty, or when the section holds `NewKey` already (also
    /// as a removed key). Never saves.
    bool RenameKey(const QString &Section, const QString &OldKey, const QString &NewKey);

    /// Every section named `OldSection` is called `NewSection`, even when a
    /// section of that name exists already. Never saves.
    void RenameSection(const QString &OldSection, const QString &NewSection);

    /// Of the first section named `Section`: with `Index`, the name of entry
    /// slot `Index` as text (counted over all entries, nameless and removed
    /// ones included); without, the list of its non-empty entry names
    /// (removed keys included, possibly empty). Empty when there is no such
    /// section.
    /// @throws RuntimeError(SubscriptOutOfRange) for an Index outside the entries.
    Variant Keys(const QString &Section, std::optional<std::int32_t> Index = std::nullopt) const;

    /// With `Index`: the name of slot `Index` as text. Without: the list of
    /// the names of all slots in use (cleared slots give empty text).
    /// @throws RuntimeError(SubscriptOutOfRange) for an Index outside the slots.
    Variant Sections(std::optional<std::int32_t> Index = std::nullopt) const;

    /// The number of entries (data entries and removed keys included) of the
    /// first section named `Section` as a number; Empty when there is none.
    Variant SectionKeyCount(const QString &Section) const;

    /// Replaces `Key` with the non-empty entry names of every section named
    /// `Section`, in slot order, and returns how many. With none found `Key`
    /// is left exactly as it was.
    std::int32_t GetSectionKeys(const QString &Section, QStringList &Key) const;

    /// The name of slot `Index`.
    /// @throws RuntimeError(SubscriptOutOfRange) for an Index outside the slots.
    QString GetSection(std::int32_t Index) const;

    /// Whether a section slot in use is named `Section`.
    bool SearchSection(const QString &Section) const;
    /// @}

private:
    struct EntryRecord {
        QString Name;
        QString Value;
        QString Comment;
        QString lowerName;
    };
    /// The entries of a section: implicitly shared, so a snapshot to save
    /// holds them without a copy, and a store copies them only while a
    /// snapshot still holds them.
    using EntryList = QList<EntryRecord>;
    /// A named section as Save() writes it.
    struct SavedSection {
        QString Name;
        QString Comment;
        EntryList Entries;
    };

public:
    /// See snapshotToSave(). Any thread may use one; it never changes.
    class SaveSnapshot {
    public:
        /// The file the store would be saved to.
        QString fileName() const { return m_fileName; }
        /// The file's bytes, exactly as Save() would write them.
        QByteArray bytes() const;

    private:
        friend class ClassPref3;
        QString m_fileName;
        std::optional<QString> m_header;
        std::vector<SavedSection> m_sections;
    };

private:
    struct SectionRecord {
        QString Name;
        QString lowerName;
        QString Comment;
        EntryList Entries;
        /// Lowered key to its first entry; built once a section grows large.
        std::unique_ptr<QHash<QString, int>> keyIndex;
    };

    int storeSection(const QString &section);
    void storeEntry(SectionRecord &record, const QString &key, const QString &value,
                    const std::optional<QString> &comment);
    void appendEntry(SectionRecord &record, EntryRecord entry);
    static int firstEntry(const SectionRecord &record, const QString &lowerKey);
    const std::set<int> *slotsNamed(const QString &lowerName) const;
    int firstSection(const QString &lowerName) const;
    void renameSlot(int slot, const QString &name);
    void renameAllSlots(const QString &lowerName, const QString &newName);
    void checkSlotIndex(std::int32_t index) const;
    void readLines(QStringView text, qsizetype pos);
    QByteArray fileBytes() const;
    template <class SectionList>
    static QByteArray savedText(const std::optional<QString> &header, const SectionList &sections);

    QString m_fileName;
    std::int32_t m_autoSave = 0;
    bool m_versionCheck = false;
    bool m_firstInstance = true;
    QString m_headerText;
    QString m_altHeaderText;
    std::vector<SectionRecord> m_sections;
    std::int32_t m_sectionCount = 0;
    /// Lowered name to the indices of the slots in use so named; "" holds
    /// the cleared and nameless slots.
    QHash<QString, std::set<int>> m_sectionIndex;
    std::int32_t m_dataNextEntry = 0;
    std::int32_t m_dataSlot = 0;
};
