#pragma once

#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class PlaybackSession;
enum class Transport;

/// What the media controls ask of the program beyond playback: the window's
/// raise and close, and the way in for files. Each may be empty.
struct MprisHooks {
    /// Shows, restores and activates the window.
    std::function<void()> raise;
    /// Runs the window's close step (the resume record is kept).
    std::function<void()> quit;
    /// Takes a file to play: the program's queue of arriving files, so that
    /// it waits while the program opens or asks something.
    std::function<void(const QString &file)> open;
    /// Whether the program is busy (opening a file, asking whether to
    /// resume, closing): transport commands are ignored meanwhile.
    std::function<bool()> busy;
};

/// The player on the session bus for media keys and desktop panels: the
/// MPRIS 2 interfaces "org.mpris.MediaPlayer2" and its ".Player", at
/// /org/mpris/MediaPlayer2, under the name org.mpris.MediaPlayer2.kovaplex
/// (with ".instance<pid>" added when that name is taken).
///
/// Play, pause, stop and seeking are the playback session's transport
/// actions and seeks, as the window's buttons run them; opening, quitting and
/// raising go through the hooks. The state is read from the session, and the
/// service follows its signals: changes of the status, the track and the
/// seekability are announced with PropertiesChanged as the session reports
/// them (at once for commands, at its timer's tick otherwise), and every
/// seek the session reports done, or another file, with Seeked. The volume is
/// the session's system volume; each change the session reports (the bar,
/// the keys, another program) is announced.
///
/// Without a session bus the service stays off and the player runs as
/// before. GUI thread only; `session` must outlive the service.
class MprisService final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MprisService)

public:
    MprisService(PlaybackSession &session, MprisHooks hooks, QObject *parent = nullptr);
    ~MprisService() override;

    /// The bus name taken, or empty when the service is off.
    QString busName() const { return m_busName; }

    // org.mpris.MediaPlayer2
    void raise();
    void quit();

    // org.mpris.MediaPlayer2.Player
    QString playbackStatus() const;
    QVariantMap metadata() const;
    qlonglong position() const;
    double rate() const;
    bool hasFile() const;
    bool canSeek() const;
    /// The system volume the volume bar shows, 0..1; setting it sets the
    /// system mixer (held within 0..1).
    double volume() const;
    void setVolume(double volume);
    void play();
    void pause();
    void playPause();
    void stop();
    void seek(qlonglong offsetUs);
    void setPosition(const QDBusObjectPath &trackId, qlonglong positionUs);
    void openUri(const QString &uri);

Q_SIGNALS:
    /// The position jumped (a seek here, a skip key or button, a new file).
    void seeked(qlonglong positionUs);

private:
    /// What the followers are told of when it changes. The metadata is
    /// made from the file and its length only, so those stand for it: the
    /// tick that compares them builds no map.
    struct Snapshot {
        QString status;
        double length = 0;
        bool canSeek = false;
    };
    Snapshot snapshot() const;
    /// Announces what changed since the last announcement.
    void check();
    bool takesCommands() const { return !m_hooks.busy || !m_hooks.busy(); }
    void transport(Transport action);
    /// Gives the file a new track id when it is not the one noted last;
    /// returns whether it did.
    bool noteTrack();
    QString trackId() const;
    void announce(const QVariantMap &changed);

    PlaybackSession &m_session;
    MprisHooks m_hooks;
    QString m_busName;
    Snapshot m_last;
    // A new id for each file opened, so a SetPosition meant for the file
    // before is ignored.
    QString m_trackFile;
    int m_trackNumber = 0;
};
