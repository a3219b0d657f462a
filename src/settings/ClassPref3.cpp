#include "settings/ClassPref3.h"

#include "settings/KeyEscape.h"
#include "settings/ShiftJis.h"
#include "util/RuntimeError.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Sections grow past this many entries before their keys get a hash index;
// below it a scan over the lowered names is as fast.
constexpr std::size_t kKeyIndexThreshold = 16;

// Switches AutoSave off for the length of a Load or Save and gives it back
// however the call ends, so a Load inside a lookup never saves and the other
// way round.
class AutoSaveOff final {
public:
    explicit AutoSaveOff(std::int32_t &autoSave)
        : m_autoSave(autoSave)
        , m_saved(autoSave)
    {
        m_autoSave = 0;
    }
    ~AutoSaveOff() { m_autoSave = m_saved; }
    Q_DISABLE_COPY_MOVE(AutoSaveOff)

private:
    std::int32_t &m_autoSave;
    std::int32_t m_saved;
};

QString headerBlock(const QString &version, qsizetype rowLength, bool closing)
{
    const QString row(rowLength, QLatin1Char(';'));
    return row + kCrLf + QStringLiteral("; ") + version + (closing ? QStringLiteral(" ;") : QString()) +
           kCrLf + row;
}

std::optional<QString> commentText(const std::optional<Variant> &comment)
{
    if (!comment || comment->isMissing()) {
        return std::nullopt;
    }
    return comment->toText();
}

int readErrorNumber(int error)
{
    switch (error) {
    case EACCES:
    case EPERM: return ErrNo::PermissionDenied;
    case ENOENT: return ErrNo::FileNotFound;
    case EIO: return ErrNo::DeviceIOError;
    default: return ErrNo::PathFileAccessError;
    }
}

int writeErrorNumber(int error, int fallback)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS: return ErrNo::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ErrNo::DiskFull;
    case EIO: return ErrNo::DeviceIOError;
    default: return fallback;
    }
}

[[noreturn]] void throwWriteError(int number, const QString &fileName, const QString &reason,
                                  int systemError = 0)
{
    throw SettingsFileError(number, QStringLiteral("Cannot write the settings file"), fileName, reason,
                            systemError);
}

[[noreturn]] void throwSystemWriteError(int error, int fallback, const QString &fileName)
{
    throwWriteError(writeErrorNumber(error, fallback), fileName, QString::fromLocal8Bit(std::strerror(error)),
                    error);
}

// What a save replaces: the file itself, or the regular file a link leads
// to (the link stays a link). Anything else is refused before anything is
// written, so a link to a device or a folder is never replaced by a file.
struct SaveTarget {
    QByteArray path;
    bool exists = false;
    struct stat info {};
};

SaveTarget saveTarget(const QString &fileName)
{
    SaveTarget target;
    target.path = QFile::encodeName(fileName);
    struct stat own {};
    if (::lstat(target.path.constData(), &own) != 0) {
        const int error = errno;
        if (error == ENOENT) {
            return target; // a new file; a missing folder fails at creation
        }
        throwSystemWriteError(error, ErrNo::PathFileAccessError, fileName);
    }
    if (S_ISLNK(own.st_mode)) {
        char *resolved = ::realpath(target.path.constData(), nullptr);
        if (!resolved) {
            throwSystemWriteError(ENOENT, ErrNo::PathFileAccessError, fileName);
        }
        target.path = QByteArray(resolved);
        std::free(resolved);
        if (::stat(target.path.constData(), &own) != 0) {
            throwSystemWriteError(errno, ErrNo::PathFileAccessError, fileName);
        }
    }
    if (S_ISDIR(own.st_mode)) {
        throwSystemWriteError(EISDIR, ErrNo::PathFileAccessError, fileName);
    }
    if (!S_ISREG(own.st_mode)) {
        // The user reads this reason in the save-failure box.
        throwWriteError(ErrNo::PathFileAccessError, fileName,
                        QStringLiteral("通常のファイルではありません（デバイスまたはパイプです）。"));
    }
    target.exists = true;
    target.info = own;
    return target;
}

bool writeAllBytes(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += n;
    }
    return true;
}

// The mode of the file that replaces `target`: the old file's, or what the
// umask allows for a new one.
mode_t replacementMode(const SaveTarget &target)
{
    if (target.exists)
        return target.info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Writes a complete new file beside the target and renames it over the
// target only once every byte is known to be on the disk. Each step is
// checked here rather than trusted to a buffered writer: a buffer flushed
// at the end can fail (a full disk) after the writer already called it a
// success, and renaming that short file over the old one loses everything.
/// The folder a save of `target` writes its temporary file into.
QByteArray saveFolder(const SaveTarget &target)
{
    const qsizetype slash = target.path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : target.path.left(slash);
}

/// What mkostemp() makes of SaveTemplate: the prefix and six characters.
constexpr char SaveTemplatePrefix[] = ".Kovaplex.ini.";
constexpr int SaveTemplateRandom = 6;

void writeReplacing(const QString &fileName, const QByteArray &bytes)
{
    const SaveTarget target = saveTarget(fileName);
    // Permission bits do not stop root; a file the user made read-only is
    // still not replaced behind a normal user's back.
    if (target.exists && ::access(target.path.constData(), W_OK) != 0) {
        throwSystemWriteError(errno, ErrNo::PermissionDenied, fileName);
    }
    const QByteArray folder = saveFolder(target);
    QByteArray temporary = folder + '/' + SaveTemplatePrefix + QByteArray(SaveTemplateRandom, 'X');
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        throwSystemWriteError(errno, ErrNo::PathFileAccessError, fileName);
    }
    const auto fail = [&](int error, int fallback) {
        ::close(fd);
        ::unlink(temporary.constData());
        throwSystemWriteError(error, fallback, fileName);
    };
    // The new file keeps the old one's mode and owner (root saving a user's
    // file).
    if (::fchmod(fd, replacementMode(target)) != 0) {
        fail(errno, ErrNo::PathFileAccessError);
    }
    if (target.exists && ::geteuid() == 0 && (target.info.st_uid != 0 || target.info.st_gid != 0)) {
        if (::fchown(fd, target.info.st_uid, target.info.st_gid) != 0) {
            fail(errno, ErrNo::PathFileAccessError);
        }
    }
    if (!writeAllBytes(fd, bytes)) {
        fail(errno, ErrNo::DeviceIOError);
    }
    if (::fsync(fd) != 0) {
        fail(errno, ErrNo::DeviceIOError);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        throwSystemWriteError(error, ErrNo::DeviceIOError, fileName);
    }
    if (::rename(temporary.constData(), target.path.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        throwSystemWriteError(error, ErrNo::PathFileAccessError, fileName);
    }
    // The rename itself reaches the disk with the folder; a failure here
    // leaves a complete file either way.
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// Only regular files (or links to them) count as present; a directory, a
// FIFO or a device is treated as missing, as the file layer never opens them.
bool isRegularFile(const QByteArray &path)
{
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

QByteArray readWholeFile(const QString &fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        throw SettingsFileError(readErrorNumber(error), QStringLiteral("Cannot open the settings file"),
                                fileName, QString::fromLocal8Bit(std::strerror(error)), error);
    }
    QByteArray bytes;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
        info.st_size < std::numeric_limits<qsizetype>::max() / 2) {
        bytes.reserve(static_cast<qsizetype>(info.st_size));
    }
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            ::close(fd);
            throw SettingsFileError(error == EISDIR ? ErrNo::PathFileAccessError : ErrNo::DeviceIOError,
                                    QStringLiteral("Cannot read the settings file"), fileName,
                                    QString::fromLocal8Bit(std::strerror(error)), error);
        }
        bytes.append(buffer, got);
    }
    ::close(fd);
    return bytes;
}

// The next line at `pos`, which moves past its end. A line ends at CR LF, a
// lone LF (what editors here write) or a lone CR. False when nothing is left.
bool nextLine(QStringView text, qsizetype &pos, QStringView &line)
{
    if (pos >= text.size()) {
        return false;
    }
    qsizetype end = pos;
    while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') {
        ++end;
    }
    line = text.mid(pos, end - pos);
    pos = end;
    if (end < text.size()) {
        pos = end + 1;
        if (text[end] == u'\r' && pos < text.size() && text[pos] == u'\n') {
            ++pos;
        }
    }
    return true;
}

// The file as text. Shift-JIS is the file's own encoding and wins whenever
// the bytes are valid in it (and do not start with a UTF-8 byte order mark),
// so every file the program wrote reads as it always did. A file that an
// editor saved as UTF-8 is read as such rather than turned into replacement
// characters that the next save would write as "?".
QString fileText(const QByteArray &bytes)
{
    static const QByteArray utf8Bom("\xEF\xBB\xBF");
    bool shiftJis = false;
    QString text = decodeShiftJis(bytes, &shiftJis);
    if (shiftJis && !bytes.startsWith(utf8Bom)) {
        return text;
    }
    // Stateless, so a sequence cut off at the end counts as an error too;
    // the decoder drops a leading byte order mark.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString asUtf8 = utf8.decode(bytes);
    return utf8.hasError() ? text : asUtf8;
}

bool onlySpaces(QStringView line)
{
    for (const QChar c : line) {
        if (c != u' ') {
            return false;
        }
    }
    return true;
}

} // namespace

SettingsFileError::SettingsFileError(int number, const QString &what, const QString &fileName,
                                     const QString &reason, int systemError)
    : RuntimeError(number, QStringLiteral("%1 (%2): %3").arg(what, fileName, reason))
    , m_fileName(fileName)
    , m_reason(reason)
    , m_systemError(systemError)
{}

ClassPref3::ClassPref3()
    : m_headerText(headerBlock(QStringLiteral("データファイル 5.00"), 23, true))
{}

ClassPref3::~ClassPref3() = default;

QString ClassPref3::VersionString() const
{
    const qsizetype first = m_headerText.indexOf(kCrLf);
    const qsizetype second = first < 0 ? -1 : m_headerText.indexOf(kCrLf, first + 1);
    if (second < 0) {
        return m_headerText;
    }
    // The second line without its "; " and " ;"; a version text that itself
    // held a line break leaves too short a line, which gives empty text.
    const qsizetype length = second - first - 6;
    return length > 0 ? m_headerText.mid(first + 4, length) : QString();
}

void ClassPref3::setVersionString(const QString &vNewValue)
{
    const qsizetype rowLength = encodeShiftJis(vNewValue).size() + 4;
    m_headerText = headerBlock(vNewValue, rowLength, true);
    m_altHeaderText = headerBlock(vNewValue, rowLength - 4, false);
}

int ClassPref3::removeLeftoverSaves() const
{
    if (!m_firstInstance || m_fileName.isEmpty())
        return 0;
    QByteArray folder;
    try {
        folder = saveFolder(saveTarget(m_fileName));
    } catch (const SettingsFileError &) {
        // A file no save can replace (a folder, a dangling link) made no
        // temporary files either; the save says why when it comes.
        return 0;
    }
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return 0;
    int removed = 0;
    const QByteArray prefix(SaveTemplatePrefix);
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!name.startsWith(prefix) || name.size() != prefix.size() + SaveTemplateRandom)
            continue;
        const QByteArray path = folder + '/' + name;
        struct stat info {};
        // Only the plain files a save makes, never a link or a folder.
        if (::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode) && ::unlink(path.constData()) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

bool ClassPref3::Load(const QString &mFileName)
{
    if (!mFileName.isEmpty()) {
        m_fileName = mFileName;
    }
    AutoSaveOff autoSaveOff(m_autoSave);
    ClearData();
    if (m_fileName.isEmpty() || !isRegularFile(QFile::encodeName(m_fileName))) {
        return false;
    }

    const QString text = fileText(readWholeFile(m_fileName));
    qsizetype pos = 0;
    if (m_versionCheck) {
        QStringView lines[3];
        for (QStringView &line : lines) {
            // A file too short to hold the header block is simply not ours.
            if (!nextLine(text, pos, line)) {
                return false;
            }
        }
        const QString header =
            lines[0].toString() + kCrLf + lines[1].toString() + kCrLf + lines[2].toString();
        if (header != m_headerText && header != m_altHeaderText) {
            return false;
        }
    }
    readLines(text, pos);
    return true;
}

void ClassPref3::readLines(QStringView text, qsizetype pos)
{
    QString section;
    QString pending;
    QStringView line;
    while (nextLine(text, pos, line)) {
        if (onlySpaces(line)) {
            continue;
        }
        const QChar first = line.front();
        if (first == u';' || first == u'#') {
            pending += kCrLf;
            pending += line;
            continue;
        }
        if (first == u'[') {
            const qsizetype close = line.indexOf(u']');
            if (close >= 0) {
                section = line.mid(1, close - 1).toString();
            }
            // Prepared, not counted: it becomes a section with its first
            // entry, and the next header takes the same slot if none comes.
            if (m_sections.size() <= static_cast<std::size_t>(m_sectionCount)) {
                m_sections.emplace_back();
            }
            SectionRecord &prepared = m_sections[static_cast<std::size_t>(m_sectionCount)];
            prepared.Name = section;
            prepared.Comment = pending;
            pending.clear();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0) {
            SectionRecord &record = m_sections[static_cast<std::size_t>(storeSection(section))];
            storeEntry(record, unescapeKey(line.left(equals).toString()), line.mid(equals + 1).toString(),
                       pending);
        } else if (equals == 0) {
            SectionRecord &record = m_sections[static_cast<std::size_t>(storeSection(section))];
            appendEntry(record, EntryRecord{QString(), line.mid(1).toString(), pending, QString()});
        }
        pending.clear();
    }
}

void ClassPref3::Save()
{
    if (!m_firstInstance) {
        return;
    }
    AutoSaveOff autoSaveOff(m_autoSave);
    if (m_fileName.isEmpty()) {
        return;
    }
    writeReplacing(m_fileName, fileBytes());
}

std::optional<ClassPref3::SaveSnapshot> ClassPref3::snapshotToSave() const
{
    if (!m_firstInstance || m_fileName.isEmpty())
        return std::nullopt;
    SaveSnapshot snapshot;
    snapshot.m_fileName = m_fileName;
    if (m_versionCheck)
        snapshot.m_header = m_headerText;
    for (std::int32_t slot = 0; slot < m_sectionCount; ++slot) {
        const SectionRecord &record = m_sections[static_cast<std::size_t>(slot)];
        if (!record.Name.isEmpty())
            snapshot.m_sections.push_back({record.Name, record.Comment, record.Entries});
    }
    return snapshot;
}

void ClassPref3::writeFile(const QString &fileName, const QByteArray &bytes)
{
    writeReplacing(fileName, bytes);
}

template <class SectionList>
QByteArray ClassPref3::savedText(const std::optional<QString> &header, const SectionList &sections)
{
    QString out;
    if (header) {
        out += *header;
        out += kCrLf;
    }
    for (const auto &record : sections) {
        if (record.Name.isEmpty()) {
            continue;
        }
        out += kCrLf;
        if (!record.Comment.isEmpty()) {
            out += record.Comment;
            out += kCrLf;
        }
        out += u'[';
        out += record.Name;
        out += u']';
        out += kCrLf;
        for (const EntryRecord &entry : record.Entries) {
            if (entry.Name.isEmpty()) {
                out += u'=';
                out += entry.Value;
                out += kCrLf;
            } else if (!entry.Value.isEmpty()) {
                if (!entry.Comment.isEmpty()) {
                    out += entry.Comment;
                    out += kCrLf;
                }
                out += escapeKey(entry.Name);
                out += u'=';
                out += entry.Value;
                out += kCrLf;
            }
        }
    }
    return encodeShiftJis(out);
}

QByteArray ClassPref3::fileBytes() const
{
    const auto used = m_sections.begin() + m_sectionCount;
    struct Slots {
        std::vector<SectionRecord>::const_iterator first, last;
        auto begin() const { return first; }
        auto end() const { return last; }
    };
    return savedText(m_versionCheck ? std::optional<QString>(m_headerText) : std::nullopt,
                     Slots{m_sections.begin(), used});
}

QByteArray ClassPref3::SaveSnapshot::bytes() const
{
    return savedText(m_header, m_sections);
}

void ClassPref3::ClearData()
{
    m_sections.clear();
    m_sectionCount = 0;
    m_sectionIndex.clear();
}

const std::set<int> *ClassPref3::slotsNamed(const QString &lowerName) const
{
    const auto it = m_sectionIndex.constFind(lowerName);
    return it == m_sectionIndex.cend() ? nullptr : &it.value();
}

int ClassPref3::firstSection(const QString &lowerName) const
{
    const std::set<int> *slots = slotsNamed(lowerName);
    return slots ? *slots->begin() : -1;
}

void ClassPref3::renameSlot(int slot, const QString &name)
{
    SectionRecord &record = m_sections[static_cast<std::size_t>(slot)];
    QString lowerName = name.toLower();
    if (lowerName != record.lowerName) {
        const auto old = m_sectionIndex.find(record.lowerName);
        if (old != m_sectionIndex.end()) {
            old->erase(slot);
            if (old->empty()) {
                m_sectionIndex.erase(old);
            }
        }
        m_sectionIndex[lowerName].insert(slot);
        record.lowerName = std::move(lowerName);
    }
    record.Name = name;
}

void ClassPref3::renameAllSlots(const QString &lowerName, const QString &newName)
{
    const auto found = m_sectionIndex.find(lowerName);
    if (found == m_sectionIndex.end()) {
        return;
    }
    const QString lowerNew = newName.toLower();
    for (const int slot : found.value()) {
        SectionRecord &record = m_sections[static_cast<std::size_t>(slot)];
        record.Name = newName;
        record.lowerName = lowerNew;
    }
    if (lowerNew != lowerName) {
        std::set<int> moved = std::move(found.value());
        m_sectionIndex.erase(found);
        m_sectionIndex[lowerNew].merge(moved);
    }
}

int ClassPref3::storeSection(const QString &section)
{
    const QString lowerName = section.toLower();
    int slot = firstSection(lowerName);
    if (slot < 0) {
        // A new name takes the first cleared slot, content and comment as
        // they are, before the store grows.
        slot = firstSection(QString());
    }
    if (slot >= 0) {
        renameSlot(slot, section);
        return slot;
    }
    slot = m_sectionCount;
    if (m_sections.size() <= static_cast<std::size_t>(slot)) {
        m_sections.emplace_back();
    }
    // A slot that Load prepared for a trailing header keeps that comment.
    ++m_sectionCount;
    SectionRecord &record = m_sections[static_cast<std::size_t>(slot)];
    record.Name = section;
    record.lowerName = lowerName;
    m_sectionIndex[lowerName].insert(slot);
    return slot;
}

int ClassPref3::firstEntry(const SectionRecord &record, const QString &lowerKey)
{
    if (record.keyIndex) {
        return record.keyIndex->value(lowerKey, -1);
    }
    for (qsizetype i = 0; i < record.Entries.size(); ++i) {
        if (record.Entries[i].lowerName == lowerKey) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void ClassPref3::appendEntry(SectionRecord &record, EntryRecord entry)
{
    record.Entries.push_back(std::move(entry));
    const int added = static_cast<int>(record.Entries.size()) - 1;
    if (record.keyIndex) {
        // Only the first entry of a name is ever found.
        if (!record.keyIndex->contains(record.Entries.back().lowerName)) {
            record.keyIndex->insert(record.Entries.back().lowerName, added);
        }
    } else if (static_cast<std::size_t>(record.Entries.size()) > kKeyIndexThreshold) {
        record.keyIndex = std::make_unique<QHash<QString, int>>();
        record.keyIndex->reserve(static_cast<qsizetype>(record.Entries.size()));
        for (int i = added; i >= 0; --i) {
            // Walking backwards leaves each name at its first entry.
            record.keyIndex->insert(record.Entries[static_cast<std::size_t>(i)].lowerName, i);
        }
    }
}

void ClassPref3::storeEntry(SectionRecord &record, const QString &key, const QString &value,
                            const std::optional<QString> &comment)
{
    QString lowerKey = key.toLower();
    const int found = firstEntry(record, lowerKey);
    if (found < 0) {
        appendEntry(record, EntryRecord{key, value, comment.value_or(QString()), std::move(lowerKey)});
        return;
    }
    EntryRecord &entry = record.Entries[static_cast<std::size_t>(found)];
    entry.Name = key;
    entry.Value = value;
    if (comment) {
        entry.Comment = *comment;
    }
}

void ClassPref3::SaveSetting(const QString &Section, const QString &Key, const QString &Value,
                             const std::optional<Variant> &Comment)
{
    const std::optional<QString> comment = commentText(Comment);
    SectionRecord &record = m_sections[static_cast<std::size_t>(storeSection(Section))];
    storeEntry(record, Key, Value, comment);
    if (m_autoSave != 0) {
        Save();
    }
}

void ClassPref3::AddData(const QString &Section, const QString &Data, const std::optional<Variant> &Comment)
{
    const std::optional<QString> comment = commentText(Comment);
    SectionRecord &record = m_sections[static_cast<std::size_t>(storeSection(Section))];
    appendEntry(record, EntryRecord{QString(), Data, comment.value_or(QString()), QString()});
}

Variant ClassPref3::LoadSetting(const QString &Section, const QString &Key, const Variant &DefValue,
                                QString *Comment)
{
    if (m_autoSave != 0) {
        Load();
    }
    if (const std::set<int> *slots = slotsNamed(Section.toLower())) {
        const QString lowerKey = Key.toLower();
        // A later section of the same name is searched when an earlier one
        // lacks the key.
        for (const int slot : *slots) {
            const SectionRecord &record = m_sections[static_cast<std::size_t>(slot)];
            const int found = firstEntry(record, lowerKey);
            if (found >= 0) {
                const EntryRecord &entry = record.Entries[static_cast<std::size_t>(found)];
                if (Comment) {
                    *Comment = entry.Comment;
                }
                return entry.Value;
            }
        }
    }
    return DefValue;
}

Variant ClassPref3::GetSetting(const QString &Section, const QString &Key, const Variant &DefValue,
                               QString *Comment)
{
    return LoadSetting(Section, Key, DefValue, Comment);
}

QString ClassPref3::GetData(const std::optional<QString> &Section, QString *Comment)
{
    if (Section) {
        m_dataNextEntry = 0;
        const int slot = firstSection(Section->toLower());
        if (slot < 0) {
            return {};
        }
        m_dataSlot = slot;
    }
    // The cursor names a slot index, which may be gone after ClearData.
    if (m_dataSlot < 0 || static_cast<std::size_t>(m_dataSlot) >= m_sections.size()) {
        return {};
    }
    const SectionRecord &record = m_sections[static_cast<std::size_t>(m_dataSlot)];
    if (m_dataNextEntry < 0 || m_dataNextEntry >= record.Entries.size()) {
        return {};
    }
    const EntryRecord &entry = record.Entries[static_cast<std::size_t>(m_dataNextEntry)];
    ++m_dataNextEntry;
    if (Comment) {
        *Comment = entry.Comment;
    }
    return entry.Value;
}

void ClassPref3::RemoveSetting(const QString &Section, const std::optional<QString> &Key)
{
    const QString lowerName = Section.toLower();
    const std::set<int> *slots = slotsNamed(lowerName);
    if (!slots) {
        return;
    }
    if (Key) {
        const QString lowerKey = Key->toLower();
        for (const int slot : *slots) {
            SectionRecord &record = m_sections[static_cast<std::size_t>(slot)];
            const int found = firstEntry(record, lowerKey);
            if (found >= 0) {
                record.Entries[static_cast<std::size_t>(found)].Value.clear();
            }
        }
        return;
    }
    for (const int slot : *slots) {
        SectionRecord &record = m_sections[static_cast<std::size_t>(slot)];
        record.Entries.clear();
        record.keyIndex.reset();
    }
    renameAllSlots(lowerName, QString());
}

void ClassPref3::DeleteSetting(const QString &Section, const std::optional<QString> &Key)
{
    RemoveSetting(Section, Key);
}

void ClassPref3::RemoveSection(const QString &Section)
{
    RemoveSetting(Section);
}

void ClassPref3::RenameSection(const QString &OldSection, const QString &NewSection)
{
    renameAllSlots(OldSection.toLower(), NewSection);
}

bool ClassPref3::RenameKey(const QString &Section, const QString &OldKey, const QString &NewKey)
{
    const int slot = firstSection(Section.toLower());
    if (slot < 0 || NewKey.isEmpty()) {
        return false;
    }
    SectionRecord &record = m_sections[static_cast<std::size_t>(slot)];
    QString lowerNew = NewKey.toLower();
    const int found = OldKey.isEmpty() ? -1 : firstEntry(record, OldKey.toLower());
    if (found < 0) {
        return false;
    }
    EntryRecord &entry = record.Entries[static_cast<std::size_t>(found)];
    if (lowerNew != entry.lowerName && firstEntry(record, lowerNew) >= 0) {
        return false;
    }
    // Named entries are unique within a section, so the index moves as is.
    if (record.keyIndex) {
        record.keyIndex->remove(entry.lowerName);
        record.keyIndex->insert(lowerNew, found);
    }
    entry.Name = NewKey;
    entry.lowerName = std::move(lowerNew);
    return true;
}

Variant ClassPref3::Keys(const QString &Section, std::optional<std::int32_t> Index) const
{
    const int slot = firstSection(Section.toLower());
    if (slot < 0) {
        return {};
    }
    const SectionRecord &record = m_sections[static_cast<std::size_t>(slot)];
    if (Index) {
        if (*Index < 0 || *Index >= record.Entries.size()) {
            throw RuntimeError(ErrNo::SubscriptOutOfRange);
        }
        return record.Entries[static_cast<std::size_t>(*Index)].Name;
    }
    QStringList names;
    for (const EntryRecord &entry : record.Entries) {
        if (!entry.Name.isEmpty()) {
            names.append(entry.Name);
        }
    }
    return names;
}

void ClassPref3::checkSlotIndex(std::int32_t index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_sections.size()) {
        throw RuntimeError(ErrNo::SubscriptOutOfRange);
    }
}

Variant ClassPref3::Sections(std::optional<std::int32_t> Index) const
{
    if (Index) {
        return GetSection(*Index);
    }
    QStringList names;
    names.reserve(m_sectionCount);
    for (std::int32_t slot = 0; slot < m_sectionCount; ++slot) {
        names.append(m_sections[static_cast<std::size_t>(slot)].Name);
    }
    return names;
}

Variant ClassPref3::SectionKeyCount(const QString &Section) const
{
    const int slot = firstSection(Section.toLower());
    if (slot < 0) {
        return {};
    }
    return static_cast<int>(m_sections[static_cast<std::size_t>(slot)].Entries.size());
}

std::int32_t ClassPref3::GetSectionKeys(const QString &Section, QStringList &Key) const
{
    const std::set<int> *slots = slotsNamed(Section.toLower());
    if (!slots) {
        return 0;
    }
    QStringList names;
    for (const int slot : *slots) {
        for (const EntryRecord &entry : m_sections[static_cast<std::size_t>(slot)].Entries) {
            if (!entry.Name.isEmpty()) {
                names.append(entry.Name);
            }
        }
    }
    if (!names.isEmpty()) {
        Key = names;
    }
    return static_cast<std::int32_t>(names.size());
}

QString ClassPref3::GetSection(std::int32_t Index) const
{
    // The bounds are those of the slot array, which may hold one slot beyond
    // Count() that a trailing header of the loaded file prepared.
    checkSlotIndex(Index);
    return m_sections[static_cast<std::size_t>(Index)].Name;
}

bool ClassPref3::SearchSection(const QString &Section) const
{
    return firstSection(Section.toLower()) >= 0;
}
