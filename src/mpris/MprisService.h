#pragma once

#include <QDBusContext>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <functional>

class fmPlayer;

/// The player on the session bus for media keys and desktop panels: the
/// MPRIS 2 interfaces "org.mpris.MediaPlayer2" and its ".Player", at
/// /org/mpris/MediaPlayer2, under the name org.mpris.MediaPlayer2.kovaplex
/// (with ".instance<pid>" added when that name is taken).
///
/// Every command goes through the window: play, pause and stop are clicks of
/// its transport buttons, seeking sets the position through its playback
/// facade, opening is its Play, quitting its close step (so the resume
/// record is kept), raising shows and activates it. The state is read from
/// the facade; changes of the status, the track and the seekability are
/// announced with PropertiesChanged, and jumps of the position with Seeked,
/// at the next check (every 250 ms).
///
/// Without a session bus the service stays off and the player runs as
/// before. GUI thread only; `player` must outlive the service.
class MprisService final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MprisService)

public:
    explicit MprisService(fmPlayer &player, QObject *parent = nullptr);
    ~MprisService() override;

    /// The bus name taken, or empty when the service is off.
    QString busName() const { return m_busName; }

    /// Where OpenUri's files go: the program's queue of arriving files, so
    /// that they wait, as a second start's do, while the program asks
    /// something. Without one a file is played at once when nothing asks
    /// (and dropped otherwise).
    void setOpener(std::function<void(const QString &file)> opener) { m_opener = std::move(opener); }

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
    struct Snapshot {
        QString status;
        QVariantMap metadata;
        bool canSeek = false;
        bool operator==(const Snapshot &other) const
        {
            return status == other.status && metadata == other.metadata && canSeek == other.canSeek;
        }
    };
    Snapshot snapshot() const;
    void check();
    void transport(const char *tag);
    /// Gives the file a new track id when it is not the one noted last;
    /// returns whether it did.
    bool noteTrack();
    QString trackId() const;
    void announce(const QVariantMap &changed);

    fmPlayer &m_player;
    std::function<void(const QString &)> m_opener;
    QString m_busName;
    QTimer m_checkTimer;
    Snapshot m_last;
    // Where the position should be if nothing jumped, and when it was read.
    double m_lastPosition = 0;
    QElapsedTimer m_sinceLastPosition;
    // A new id for each file opened, so a SetPosition meant for the file
    // before is ignored.
    QString m_trackFile;
    int m_trackNumber = 0;
};
