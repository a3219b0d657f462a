// Opening a file, with the offer to resume where it stopped last time.

#include "player/fmPlayer.h"

#include "dialogs/comMsg.h"
#include "platform/forms/Diagnostics.h"
#include "platform/media/WaitGuard.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "platform/video/VideoSurface.h"
#include "playback/PlaybackSession.h"
#include "player/LatestSeek.h"
#include "player/OpenQueue.h"
#include "player/PanelWidgets.h"
#include "player/PlayerGeometry.h"
#include "player/ResumeKeeper.h"
#include "player/ResumeRecords.h"
#include "settings/ClassPref3.h"
#include "util/FileNames.h"
#include "util/RuntimeError.h"
#include "util/Variant.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <utility>

namespace {

/// Answers of the resume question (its buttons, in order).
constexpr int AnswerResume = 1;
constexpr int AnswerCancel = 3;

QString withoutSurroundingQuotes(QString name)
{
    if (name.startsWith(QLatin1Char('"')))
        name.remove(0, 1);
    if (name.endsWith(QLatin1Char('"')))
        name.chop(1);
    return name;
}

// A file named relative to the current folder ("kovaplex long.mp4" in a
// terminal) gets its absolute name, so that its resume record is its own and
// not that of every file of that name in any folder. Anything else (an
// absolute name, a name of no existing file) stays as given. ".." is left to
// the system: through a linked folder it leads elsewhere than the text says.
QString absoluteIfExisting(const QString &name)
{
    if (name.startsWith(QLatin1Char('/')) || !fileStatus(name).exists)
        return name;
    return absoluteFileName(name);
}

} // namespace

void fmPlayer::Play(const QString &FileName)
{
    const bool outermost = !m_inPlay;
    m_inPlay = true;
    // Seek targets of the file being left mean nothing in the next one.
    m_seeks->forget();
    runGuarded("Play", [this, FileName] {
        if (m_closed)
            return;
        const LeftFile left = leaveFile();
        QString name = FileName;
        std::optional<double> resumeAt;
        if (!name.isEmpty()) {
            name = absoluteIfExisting(withoutSurroundingQuotes(name));
            if (!askResume(name, resumeAt))
                return;
        }
        openAndLayOut(name);
        showSurface();
        finishPlay(resumeAt, left);
    });
    if (!outermost)
        return;
    m_inPlay = false;
    // A file that came while the resume question was open comes next.
    m_openQueue->resume();
}

bool fmPlayer::isBusy() const
{
    return m_inPlay || m_closed || WaitGuard::isWaiting();
}

fmPlayer::LeftFile fmPlayer::leaveFile() const
{
    LeftFile left;
    if (!m_session->hasFile())
        return left;
    left.name = m_session->fileName();
    left.position = m_session->position();
    left.length = m_session->duration();
    // A cut file keeps the place where its data ran out, near its end or
    // not: the rest may arrive later.
    left.remember = isWorthResuming(left.position, left.length) || m_session->endedShort();
    return left;
}

bool fmPlayer::askResume(QString &name, std::optional<double> &resumeAt)
{
    const std::optional<ResumePoint> record = findResumeRecord(m_pref, name);
    if (!record)
        return true;
    SetMsgButtonCaption(1, QStringLiteral("続きを再生"));
    SetMsgButtonCaption(2, QStringLiteral("最初から再生"));
    SetMsgButtonCaption(3, QStringLiteral("キャンセル"));
    SetMsgButtonCount(3);
    const QString question = QStringLiteral("「") + readableFileName(name) +
                             QStringLiteral("」を覚えています。\r\n") + TimeToText(record->position) +
                             QLatin1Char('/') + TimeToText(record->length) +
                             QStringLiteral(" から再生しますか？");
    const int answer =
        ShowMsg(question, MsgStyle::CallerCaptions, QStringLiteral("App.Title"), 0, {}, QString(), 0);
    // The question runs a nested event loop; the session may have ended the
    // program meanwhile.
    if (m_closed)
        return false;
    if (answer == AnswerCancel) {
        // Cancel keeps what was open; at the first start nothing was, and a
        // process without any window could not even be closed: it shows the
        // empty window instead.
        if (isVisible())
            return false;
        name.clear();
    } else if (answer == AnswerResume) {
        resumeAt = record->position;
    }
    return true;
}

void fmPlayer::openAndLayOut(const QString &name)
{
    m_awaitFirstFrame = true;
    m_session->open(name);
    // The tracks chosen for the file last time, once they are known.
    m_session->restoreTracks(findTrackChoice(m_pref, name));
    startupMilestone("file opened");
    if (m_session->canScan()) {
        BtState(transportIndex(Transport::FastForward))->setEnabled(true);
        BtState(transportIndex(Transport::FastBackward))->setEnabled(true);
    }

    show();
    startupMilestone("window shown");

    SetVideoSize(storedVideoWidth());

    const TrackGeometry track =
        trackGeometry(static_cast<float>(widthTwips(PiPosition)), TwipsPerPixelX, TwipsPerPixelY);
    TrackLeft = track.left;
    TrackLength = track.length;
    TrackY = track.y;
    PiPosition->drawTrack(track);
}

void fmPlayer::showSurface()
{
    const bool onMci = m_session->playsOnMci();
    PiPosition->markEngine(onMci);
    if (!onMci) {
        PiMCI->hide();
        MPlayer->show();
        MPlayer->setProperty19(0);
    } else {
        MPlayer->hide();
        PiMCI->show();
    }
}

void fmPlayer::finishPlay(std::optional<double> resumeAt, const LeftFile &left)
{
    if (resumeAt)
        m_session->seek(*resumeAt);
    m_keeper->settle(left.name, left.position, left.length, left.remember);
    m_session->playAtNextTick();
}
