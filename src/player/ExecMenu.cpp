#include "player/ExecMenu.h"

#include <QStringList>

namespace {
using C = PlayerCommand;
using D = MenuDesign;
} // namespace

// The view-size shortcut labels name F1..F5 although the keys that act are
// F2..F6: the labels are display text the keyboard map never reads.
const std::array<MenuEntry, 31> ExecMenuEntries{{
    {1, "mnuExec_ViewSize", "画面サイズ", "", D::Plain, {}},
    {2, "mnuExec_ViewSize_DoubleSize", "ダブルサイズ", "", D::Plain, {C::DoubleSize}},
    {2, "mnuExec_ViewSize_FullScreen", "フルスクリーン", "", D::Plain, {C::FullScreen}},
    {2, "mnuExec_ViewSize_2", "-", "", D::HiddenSeparator, {}},
    {2, "mnuExec_ViewSize_960", "960 x 720", "F5", D::Plain, {C::ViewSize960}},
    {2, "mnuExec_ViewSize_800", "800 x 600", "F4", D::Plain, {C::ViewSize800}},
    {2, "mnuExec_ViewSize_640", "640 x 480", "F3", D::Plain, {C::ViewSize640}},
    {2, "mnuExec_ViewSize_320", "320 x 240", "F2", D::Plain, {C::ViewSize320}},
    {2, "mnuExec_ViewSize_160", "160 x 120", "F1", D::Plain, {C::ViewSize160}},
    {2, "mnuExec_ViewSize_3", "-", "", D::Separator, {}},
    {2, "mnuExec_ViewSize_Minimum", "超小型", "Del", D::Plain, {C::Minimum}},
    {2, "mnuExec_ViewSize_4", "-", "", D::Separator, {}},
    {2, "mnuExec_ViewSize_DispSetting", "表示領域設定", "", D::Plain, {C::DispSetting}},
    {1, "mnuExec_Skip", "スキップ", "", D::Plain, {}},
    // Fixed captions: the skip runs the amount of the button with the same
    // index, whatever the caption here says.
    {2, "mnuExec_Skip_S0", "-30(Z)", "", D::Plain, {C::Skip, 0}},
    {2, "mnuExec_Skip_S1", "-10(X)", "", D::Plain, {C::Skip, 1}},
    {2, "mnuExec_Skip_S2", "-3(C)", "", D::Plain, {C::Skip, 2}},
    {2, "mnuExec_Skip_S3", "+10(V)", "", D::Plain, {C::Skip, 3}},
    {2, "mnuExec_Skip_S4", "+30(B)", "", D::Plain, {C::Skip, 4}},
    {2, "mnuExec_Skip_S5", "+120(N)", "", D::Plain, {C::Skip, 5}},
    {1, "mnuExec_ViewSize_Zero", "表示する", "", D::Checked, {C::VideoDisp}},
    {1, "mnuExec_Front", "常に手前に表示", "", D::Toggle, {C::Front}},
    {1, "mnuExec_89", "-", "", D::HiddenSeparator, {}},
    {1, "mnuExec_SkipModify", "スキップ時間変更", "", D::Hidden, {C::SkipModify}},
    {1, "mnuExec_90", "-", "", D::Separator, {}},
    {1, "mnuExec_Version", "バージョン情報", "", D::Plain, {C::Version}},
    {1, "mnuExec_99", "-", "", D::Separator, {}},
    {1, "mnuExec_Exit", "終了", "", D::Plain, {C::Exit}},
    // The file's tracks, after everything else; filled and shown by the
    // tracks of the file that plays.
    {1, TrackSeparatorEntry, "-", "", D::HiddenSeparator, {}},
    {1, AudioMenuEntry, "音声", "", D::Hidden, {}},
    {1, SubtitleMenuEntry, "字幕", "", D::Hidden, {}},
}};

QString trackLabel(const MediaTrack &track)
{
    QStringList known;
    for (const QString &part : {track.language.trimmed(), track.title.trimmed()}) {
        if (!part.isEmpty() && !known.contains(part))
            known << part;
    }
    if (known.isEmpty())
        return QStringLiteral("トラック ") + QString::number(track.id);
    return known.join(QStringLiteral(" — "));
}

TrackMenus trackMenus(const MediaTracks &tracks)
{
    TrackMenus menus;
    menus.subtitle.push_back({QStringLiteral("なし"), {C::SubtitleTrack, 0}, true});
    for (const MediaTrack &track : tracks) {
        const bool audio = track.kind == MediaTrack::Kind::Audio;
        std::vector<TrackMenuItem> &items = audio ? menus.audio : menus.subtitle;
        items.push_back(
            {trackLabel(track), {audio ? C::AudioTrack : C::SubtitleTrack, track.id}, track.selected});
        if (!audio && track.selected)
            menus.subtitle.front().checked = false;
    }
    // Two tracks that read alike are told apart by their numbers.
    for (std::vector<TrackMenuItem> *items : {&menus.audio, &menus.subtitle}) {
        QStringList labels;
        for (const TrackMenuItem &item : *items)
            labels << item.label;
        for (TrackMenuItem &item : *items) {
            if (labels.count(item.label) > 1)
                item.label +=
                    QStringLiteral(" (トラック ") + QString::number(item.command.index) + QLatin1Char(')');
        }
    }
    menus.showAudio = menus.audio.size() > 1;
    menus.showSubtitle = menus.subtitle.size() > 1;
    return menus;
}
