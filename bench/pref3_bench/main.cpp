// Load and save times of the settings store for hand-edited files of many
// entries, next to a plain linear-scan store measured in the same run.
#include "settings/ClassPref3.h"
#include "settings/ShiftJis.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

// The store as a first version would write it: every lookup scans all
// sections and all keys and lowers both names of every comparison.
class LinearStore {
public:
    bool load(const QString &fileName)
    {
        m_sections.clear();
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly)) {
            return false;
        }
        const QString text = decodeShiftJis(file.readAll());
        QString section, pending;
        qsizetype pos = 0;
        while (pos < text.size()) {
            qsizetype end = text.indexOf(u'\r', pos);
            if (end < 0) {
                end = text.size();
            }
            const QString line = text.mid(pos, end - pos);
            pos = end + 1;
            if (pos < text.size() && text.at(pos) == u'\n') {
                ++pos;
            }
            if (line.trimmed().isEmpty()) {
                continue;
            }
            if (line.startsWith(u';') || line.startsWith(u'#')) {
                pending += QStringLiteral("\r\n") + line;
            } else if (line.startsWith(u'[')) {
                const qsizetype close = line.indexOf(u']');
                if (close >= 0) {
                    section = line.mid(1, close - 1);
                }
                m_comment = pending;
                pending.clear();
            } else {
                const qsizetype equals = line.indexOf(u'=');
                if (equals > 0) {
                    store(section, line.left(equals), line.mid(equals + 1), pending);
                }
                pending.clear();
            }
        }
        return true;
    }

    void save(const QString &fileName) const
    {
        QString out;
        for (const Section &section : m_sections) {
            out += QStringLiteral("\r\n");
            if (!section.comment.isEmpty()) {
                out += section.comment + QStringLiteral("\r\n");
            }
            out += u'[' + section.name + QStringLiteral("]\r\n");
            for (const Entry &entry : section.entries) {
                if (!entry.comment.isEmpty()) {
                    out += entry.comment + QStringLiteral("\r\n");
                }
                out += entry.name + u'=' + entry.value + QStringLiteral("\r\n");
            }
        }
        QSaveFile file(fileName);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(encodeShiftJis(out));
            file.commit();
        }
    }

private:
    struct Entry {
        QString name, value, comment;
    };
    struct Section {
        QString name, comment;
        std::vector<Entry> entries;
    };

    void store(const QString &sectionName, const QString &key, const QString &value, const QString &comment)
    {
        Section *section = nullptr;
        for (Section &candidate : m_sections) {
            if (candidate.name.toLower() == sectionName.toLower()) {
                section = &candidate;
                break;
            }
        }
        if (!section) {
            m_sections.push_back({sectionName, m_comment, {}});
            section = &m_sections.back();
        }
        for (Entry &entry : section->entries) {
            if (entry.name.toLower() == key.toLower()) {
                entry = {key, value, comment};
                return;
            }
        }
        section->entries.push_back({key, value, comment});
    }

    std::vector<Section> m_sections;
    QString m_comment;
};

QByteArray makeFile(int entries, int perSection)
{
    QByteArray file;
    file.reserve(entries * 40);
    for (int i = 0; i < entries; ++i) {
        if (i % perSection == 0) {
            file += "\r\n; 区間 " + QByteArray::number(i / perSection) + "\r\n[Section" +
                    QByteArray::number(i / perSection) + "]\r\n";
        }
        file += "C:\\Movies\\File" + QByteArray::number(i) + ".avi=" + QByteArray::number(i % 7200) +
                ".5,7200\r\n";
    }
    return encodeShiftJis(QString::fromUtf8(file));
}

constexpr int kRuns = 7;

struct Timing {
    double medianMs = -1;
    int runs = 0;
};

std::string cell(const Timing &timing)
{
    if (timing.runs == 0) {
        return "(skipped)";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", timing.medianMs);
    return timing.runs < kRuns ? std::string(text) + "/" + std::to_string(timing.runs) : std::string(text);
}

// Runs `task` up to `runs` times, fewer once 20 s have passed, and returns
// the median in milliseconds.
Timing timeMs(const std::function<void()> &task, int runs)
{
    std::vector<double> times;
    QElapsedTimer budget;
    budget.start();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        task();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (budget.elapsed() > 20000) {
            break;
        }
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], static_cast<int>(times.size())};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("in.ini"));
    const QString output = dir.filePath(QStringLiteral("out.ini"));

    std::printf("%-9s %-12s %10s %12s %10s %12s\n", "entries", "per section", "load ms", "linear ms",
                "save ms", "linear ms");
    struct Shape {
        int entries;
        int perSection;
    };
    // Sections of a hundred keys, then one section holding everything (the
    // remembered-files list grown by hand).
    const Shape shapes[] = {{100, 100}, {10000, 100}, {100000, 100}, {10000, 10000}, {100000, 100000}};
    for (const Shape &shape : shapes) {
        {
            QFile file(input);
            file.open(QIODevice::WriteOnly | QIODevice::Truncate);
            file.write(makeFile(shape.entries, shape.perSection));
        }
        ClassPref3 pref;
        const Timing load = timeMs([&] { pref.Load(input); }, kRuns);
        pref.setFileName(output);
        const Timing save = timeMs([&] { pref.Save(); }, kRuns);

        // One section of 100,000 keys costs the linear store billions of
        // comparisons (many minutes); it is left out rather than estimated.
        LinearStore linear;
        const bool feasible = double(shape.entries) * shape.perSection <= 2e9;
        const Timing linearLoad = feasible ? timeMs([&] { linear.load(input); }, kRuns) : Timing{};
        const Timing linearSave = feasible ? timeMs([&] { linear.save(output); }, kRuns) : Timing{};
        std::printf("%-9d %-12d %10s %12s %10s %12s\n", shape.entries, shape.perSection, cell(load).c_str(),
                    cell(linearLoad).c_str(), cell(save).c_str(), cell(linearSave).c_str());
        std::fflush(stdout);
    }
    std::printf("median of %d runs; \"/n\" marks a slow case measured only n times\n", kRuns);
    return 0;
}
