#pragma once

#include "settings/ClassPref3.h"
#include "settings/ShiftJis.h"

#include "TestSupport.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

// Readable failure messages for results.
inline void PrintTo(const Variant &value, std::ostream *out)
{
    static const char *const kinds[] = {"Empty", "Missing", "Text", "Number", "Boolean", "List"};
    *out << kinds[static_cast<int>(value.kind())];
    if (value.isList()) {
        *out << " [" << value.toList().join(QStringLiteral("|")).toStdString() << "]";
    } else if (!value.isMissing()) {
        *out << " \"" << value.toText().toStdString() << "\"";
    }
}

/// Shift-JIS bytes of UTF-8 source text.
inline QByteArray sjis(const char *utf8)
{
    return encodeShiftJis(QString::fromUtf8(utf8));
}

inline QString u8(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return file.readAll();
}

/// Each test gets its own folder and a store pointed at "Kovaplex.ini" in it.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_pref.setFileName(path());
    }

    QString path(const QString &name = QStringLiteral("Kovaplex.ini")) const { return m_dir.filePath(name); }

    /// Writes `bytes` as the data file and loads it.
    bool loadBytes(const QByteArray &bytes)
    {
        writeBytes(path(), bytes);
        return m_pref.Load();
    }

    /// Saves the store and returns the file's bytes.
    QByteArray savedBytes()
    {
        m_pref.Save();
        return readBytes(path());
    }

    QTemporaryDir m_dir;
    ClassPref3 m_pref;
};
