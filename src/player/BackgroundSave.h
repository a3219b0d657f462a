#pragma once

#include "settings/ClassPref3.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

/// Saves of the settings file made while the program runs, written on a
/// worker thread: the GUI thread only takes a snapshot of the memory copy
/// (its texts shared, not copied); the worker makes the file's bytes and
/// writes them.
///
/// The writes are serialised: one at a time, in order, and a snapshot that
/// waits while another is written is replaced by a newer one. A synchronous
/// ClassPref3::Save() must be preceded by finish(). Only the first instance
/// writes (ClassPref3::contentToSave). A failure is reported once on stderr,
/// not at every save, until a save succeeds again; the close step's own save
/// still tells the user. The object lives on the GUI thread.
class BackgroundSave final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackgroundSave)

public:
    explicit BackgroundSave(ClassPref3 &pref, QObject *parent = nullptr);
    /// Waits for the write in progress (finish()).
    ~BackgroundSave() override;

    /// Takes a snapshot of the memory copy now and writes it on the worker.
    /// `note` is traced ("settings saved") once the file is on the disk.
    void saveSoon(const QString &note);
    /// Waits for the write in progress and drops one still waiting: a
    /// synchronous save of the same memory copy follows, and supersedes it.
    /// Later saveSoon() calls are ignored.
    void finish();

Q_SIGNALS:
    /// A save is on the disk (GUI thread).
    void saved(const QString &note);

private:
    struct Job {
        ClassPref3::SaveSnapshot snapshot;
        QString note;
    };
    void run();

    ClassPref3 &m_pref;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Job> m_waiting;
    bool m_finished = false;
    bool m_failing = false;
    std::thread m_worker;
};
