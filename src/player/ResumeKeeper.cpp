#include "player/ResumeKeeper.h"

#include "player/ResumeRecords.h"
#include "settings/ClassPref3.h"

ResumeKeeper::ResumeKeeper(ClassPref3 &pref, std::function<std::int64_t()> clock,
                           std::function<void(const QString &note)> save)
    : m_pref(pref)
    , m_clock(std::move(clock))
    , m_save(std::move(save))
    , m_lastSave(m_clock())
{}

void ResumeKeeper::fileOpened(const QString &file)
{
    m_file = file;
    m_changed = true;
    if (file.isEmpty())
        return;
    const std::optional<QString> stored = storedResumeRecord(m_pref, file);
    m_kept.insert(file, {stored, stored});
}

void ResumeKeeper::tick(const PlayingPlace &now)
{
    if (now.file != m_file)
        fileOpened(now.file);
    const std::int64_t at = m_clock();
    if (!m_changed && !(now.playing && at - m_lastSave >= PlayingSaveMs))
        return;
    m_changed = false;
    if (!now.file.isEmpty() &&
        keep(now.file, now.position, now.length, isWorthResuming(now.position, now.length) || now.endedShort))
        m_dirty = true;
    if (!m_dirty)
        return;
    m_dirty = false;
    m_lastSave = at;
    m_save(now.file.isEmpty() ? QString() : m_kept.value(now.file).held.value_or(QString()));
}

void ResumeKeeper::settle(const QString &file, double position, double length, bool remember)
{
    if (file.isEmpty())
        return;
    if (keep(file, position, length, remember))
        m_dirty = true;
    // What the close step keeps stays so until the file opens again.
    Kept &kept = m_kept[file];
    kept.original = kept.held;
    m_changed = true;
}

bool ResumeKeeper::keep(const QString &file, double position, double length, bool remember)
{
    auto found = m_kept.find(file);
    if (found == m_kept.end()) {
        const std::optional<QString> stored = storedResumeRecord(m_pref, file);
        found = m_kept.insert(file, {stored, stored});
    }
    Kept &kept = found.value();
    std::optional<QString> wanted = kept.original;
    if (remember)
        wanted = resumeRecordText(position, length);
    if (wanted == kept.held)
        return false;
    if (wanted != kept.original)
        writeResumeRecord(m_pref, file, position, length);
    else
        restoreResumeRecord(m_pref, file, kept.original);
    kept.held = wanted;
    return true;
}
