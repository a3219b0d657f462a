#include "player/BackgroundSave.h"

#include "platform/forms/Diagnostics.h"

#include <QMetaObject>

#include <cstdio>
#include <exception>

BackgroundSave::BackgroundSave(ClassPref3 &pref, QObject *parent)
    : QObject(parent)
    , m_pref(pref)
{
    connect(this, &BackgroundSave::saved, this,
            [](const QString &note) { traceValue("settings saved", note); });
}

BackgroundSave::~BackgroundSave()
{
    finish();
}

void BackgroundSave::saveSoon(const QString &note)
{
    std::optional<ClassPref3::SaveSnapshot> snapshot = m_pref.snapshotToSave();
    if (!snapshot)
        return;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_finished)
            return;
        m_waiting = Job{std::move(*snapshot), note};
        if (!m_worker.joinable())
            m_worker = std::thread([this] { run(); });
    }
    m_wake.notify_one();
}

void BackgroundSave::finish()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = true;
        m_waiting.reset();
    }
    m_wake.notify_one();
    if (m_worker.joinable())
        m_worker.join();
}

void BackgroundSave::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_finished || m_waiting; });
        if (!m_waiting)
            return;
        const Job job{std::move(*m_waiting)};
        m_waiting.reset();
        lock.unlock();
        // Nothing may leave the thread: a failure is said, and the next save
        // tries again.
        std::optional<QString> failure;
        try {
            ClassPref3::writeFile(job.snapshot.fileName(), job.snapshot.bytes());
        } catch (const SettingsFileError &error) {
            failure = error.reason();
        } catch (const std::exception &error) {
            failure = QString::fromLocal8Bit(error.what());
        }
        lock.lock();
        if (failure && !m_failing)
            std::fprintf(
                stderr,
                "Kovaplex: the place of the playing file cannot be kept in %s (%s); tried again as it "
                "plays, and at the close.\n",
                qUtf8Printable(job.snapshot.fileName()), qUtf8Printable(*failure));
        m_failing = failure.has_value();
        if (!failure)
            QMetaObject::invokeMethod(
                this, [this, note = job.note] { Q_EMIT saved(note); }, Qt::QueuedConnection);
    }
}
