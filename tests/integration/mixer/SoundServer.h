#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <vector>

/// The sound server's side of the mixer tests: its own tool (pactl) and, for
/// the tests that stop and restart a server, a private one.

/// Runs pactl against `server` (empty: the one of the environment) and
/// returns its output; a failed run is a test failure.
QString pactl(const QString &server, const QStringList &arguments);

/// The default sink's raw volume of each channel (0 to 65536 = 100 %).
std::vector<int> sinkVolumes(const QString &server = QString());

void setSinkVolumes(const QStringList &volumes, const QString &server = QString());

/// The server's raw value for a mixer level 0..65535, and back.
int serverValueOf(int level);
int levelOf(int serverValue);

/// A PulseAudio server with a null sink on a socket in `folder`, started and
/// stopped by the test; it keeps the same address across restarts.
class PrivateSoundServer final {
public:
    explicit PrivateSoundServer(const QString &folder);
    ~PrivateSoundServer();

    /// Starts the server and waits until it answers.
    bool start();
    void stop();
    QString address() const { return m_address; }

private:
    QString m_folder;
    QString m_address;
    QProcess m_process;
};
