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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs `task` up to `runs` times (fewer when one run is slow) and returns the
// median in milliseconds.
double timeMs(const std::function<void()> &task, int runs)
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
    return median(times);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("in.ini"));
    const QString output = dir.filePath(QStringLiteral("out.ini"));
    constexpr int kRuns = 7;

    std::printf("%-9s %-12s %12s %12s %12s %12s\n", "entries", "per section", "load ms", "linear ms",
                "save ms", "linear ms");
    for (const int perSection : {100, 100000}) {
        for (const int entries : {100, 10000, 100000}) {
            {
                QFile file(input);
                file.open(QIODevice::WriteOnly | QIODevice::Truncate);
                file.write(makeFile(entries, perSection));
            }
            ClassPref3 pref;
            pref.setFileName(output);
            const double load = timeMs([&] { pref.Load(input); }, kRuns);
            pref.setFileName(output);
            const double save = timeMs([&] { pref.Save(); }, kRuns);

            LinearStore linear;
            // One section of 100,000 keys costs the linear store billions of
            // comparisons (minutes); it is left out rather than estimated.
            const bool linearFeasible = static_cast<double>(entries) * std::min(entries, perSection) <= 2e9;
            double linearLoad = -1;
            double linearSave = -1;
            if (linearFeasible) {
                linearLoad = timeMs([&] { linear.load(input); }, kRuns);
                linearSave = timeMs([&] { linear.save(output); }, kRuns);
            }
            auto cell = [](double ms) {
                static char buffers[2][32];
                static int which = 0;
                char *buffer = buffers[which++ % 2];
                if (ms < 0) {
                    std::snprintf(buffer, 32, "%12s", "(skipped)");
                } else {
                    std::snprintf(buffer, 32, "%12.2f", ms);
                }
                return buffer;
            };
            const char *loadLinear = cell(linearLoad);
            const char *saveLinear = cell(linearSave);
            std::printf("%-9d %-12d %12.2f %s %12.2f %s\n", entries, std::min(entries, perSection), load,
                        loadLinear, save, saveLinear);
            std::fflush(stdout);
        }
    }
    return 0;
}
