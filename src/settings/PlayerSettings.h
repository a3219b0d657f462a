#pragma once

#include <QString>

class ClassPref3;

/// Every section and key the player window and its dialogs keep in the data
/// file, named once, with typed readers and writers over the one settings
/// object.
///
/// Readers never fail on a stored value: a missing key gives the default
/// shown with each reader, numbers are read by their leading number (no
/// number reads as 0), and a switch that reads as neither "True", "False"
/// nor a number gives its default. Writers change the memory copy only
/// (ClassPref3::SaveSetting); numbers are written as single-precision
/// decimal text, switches as "True" or "False". GUI thread only.

/// Section names; the keys are private to the readers and writers below,
/// except the resume records, whose keys are media file names.
namespace SettingsSection {
inline const QString Window = QStringLiteral("Window");
inline const QString Setting = QStringLiteral("Setting");
inline const QString KeySetting = QStringLiteral("KeySetting");
inline const QString CutPercent = QStringLiteral("CutPercent");
/// One key per media file: "position,length" in seconds.
inline const QString Files = QStringLiteral("Files");
/// Beside each resume record, under the same key: the file's size and the
/// hash of its ends ("size,hex"), by which a renamed or moved file finds its
/// record. A section of its own, so "Files" keeps its one value form.
inline const QString FileFingerprints = QStringLiteral("FileFingerprints");
/// Beside the resume records, under the same key: the sound and subtitle
/// tracks chosen for the file ("a=2,s=no"). A section of its own for the
/// same reason.
inline const QString FileTracks = QStringLiteral("FileTracks");
} // namespace SettingsSection

/// A form's top-left outer corner, twips.
struct FormPlace {
    double left = 0;
    double top = 0;
};

/// The forms whose place is remembered.
enum class PlacedForm {
    Main,        ///< "Main.Left", "Main.Top"
    KeySetting,  ///< "KeySetting.Left", "KeySetting.Top"
    SizeSetting, ///< "SizeSetting.Left", "SizeSetting.Top"
};

/// The four cut percentages of the video, as stored text (read by their
/// leading number where they are used).
struct CutPercents {
    QString left = QStringLiteral("0");
    QString top = QStringLiteral("0");
    QString bottom = QStringLiteral("0");
    QString right = QStringLiteral("0");
};

/// The range each cut percentage is held to where it is stored, read and
/// applied. Cuts up to 100 % hide the whole picture as they should; below 0
/// a cut widens the box with black, and past a tenth on each side the box
/// of the largest view would no longer fit the screen, so a damaged or
/// mistyped value (-1e6) cannot lay the window out off the screen.
struct CutPercentRange {
    static constexpr double Least = -10;
    static constexpr double Most = 100;
};

/// `text` unchanged when its leading number lies within CutPercentRange
/// (text without a number counts as 0 and stays as it is), else the nearer
/// end of the range as text ("-10", "100"), also for a number beyond the
/// double range.
QString heldCutPercent(const QString &text);

class PlayerSettings final {
public:
    /// Number of skip buttons, and of stored skip amounts and letters.
    static constexpr int SkipCount = 6;

    /// `pref` must outlive this object.
    explicit PlayerSettings(ClassPref3 &pref)
        : m_pref(pref)
    {}

    /// "Window" / "<form>.Left" and ".Top"; `fallback` for a missing key.
    FormPlace formPlace(PlacedForm form, FormPlace fallback) const;
    void setFormPlace(PlacedForm form, FormPlace place) const;

    /// "Window" / "FrontSet": the window stays on top; default false.
    bool frontSet() const;
    void setFrontSet(bool on) const;

    /// "Setting" / "VideoDisp": the video area is shown; default true.
    bool videoDisp() const;
    void setVideoDisp(bool on) const;

    /// "Setting" / "VideoSize": the video width in pixels; `fallbackPixels`
    /// for a missing key.
    double videoSize(double fallbackPixels) const;
    void setVideoSize(double pixels) const;

    /// "KeySetting" / "SkipTime0".."SkipTime5": the amount text of a skip
    /// button, as typed (defaults -30, -10, -3, 10, 30, 90).
    /// "KeySetting" / "AccessKey0".."AccessKey5": its letter (defaults Z, X,
    /// C, V, B, N), written in the reversible form of KeyEscape.h when the
    /// file could not hold it as it is. `index` outside 0..5 raises
    /// RuntimeError(SubscriptOutOfRange).
    QString skipTime(int index) const;
    void setSkipTime(int index, const QString &amount) const;
    QString accessKey(int index) const;
    void setAccessKey(int index, const QString &letter) const;

    /// "CutPercent" / "Left", "Top", "Bottom", "Right": the stored texts,
    /// "0" for a missing key, each held to CutPercentRange (heldCutPercent)
    /// when read and when stored.
    CutPercents cutPercents() const;
    void setCutPercents(const CutPercents &cut) const;

    ClassPref3 &store() const { return m_pref; }

private:
    bool storedSwitch(const QString &section, const QString &key, bool fallback) const;

    ClassPref3 &m_pref;
};
