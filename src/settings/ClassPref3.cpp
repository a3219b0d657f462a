#include "settings/ClassPref3.h"

#include "util/RuntimeError.h"

ClassPref3::ClassPref3() = default;
ClassPref3::~ClassPref3() = default;
QString ClassPref3::VersionString() const { return m_headerText; }
void ClassPref3::setVersionString(const QString &) {}
bool ClassPref3::Load(const QString &) { return false; }
void ClassPref3::Save() {}
void ClassPref3::ClearData() {}
void ClassPref3::SaveSetting(const QString &, const QString &, const QString &, const std::optional<Variant> &) {}
void ClassPref3::AddData(const QString &, const QString &, const std::optional<Variant> &) {}
Variant ClassPref3::LoadSetting(const QString &, const QString &, const Variant &DefValue, QString *) { return DefValue; }
Variant ClassPref3::GetSetting(const QString &, const QString &, const Variant &DefValue, QString *) { return DefValue; }
QString ClassPref3::GetData(const std::optional<QString> &, QString *) { return {}; }
void ClassPref3::RemoveSetting(const QString &, const std::optional<QString> &) {}
void ClassPref3::DeleteSetting(const QString &, const std::optional<QString> &) {}
void ClassPref3::RemoveSection(const QString &) {}
void ClassPref3::RenameSection(const QString &, const QString &) {}
Variant ClassPref3::Keys(const QString &, std::optional<std::int32_t>) const { return {}; }
Variant ClassPref3::Sections(std::optional<std::int32_t>) const { return QStringList(); }
Variant ClassPref3::SectionKeyCount(const QString &) const { return {}; }
std::int32_t ClassPref3::GetSectionKeys(const QString &, QStringList &) const { return 0; }
QString ClassPref3::GetSection(std::int32_t) const { throw RuntimeError(ErrNo::SubscriptOutOfRange); }
bool ClassPref3::SearchSection(const QString &) const { return false; }
