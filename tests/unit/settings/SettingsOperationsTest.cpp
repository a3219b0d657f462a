#include "SettingsTestSupport.h"

#include <QRandomGenerator>

#include <vector>

namespace {

QString text(const Variant &value)
{
    return value.toText();
}

} // namespace

TEST(SettingsLookup, ReturnsTheDefaultExactlyAsPassedWhenTheKeyIsAbsent)
{
    ClassPref3 pref;
    pref.SaveSetting(QStringLiteral("Setting"), QStringLiteral("VideoSize"), QStringLiteral("640"));

    EXPECT_EQ(pref.GetSetting(QStringLiteral("Setting"), QStringLiteral("VideoSize"), 320), Variant("640"));
    const Variant number = pref.GetSetting(QStringLiteral("Setting"), QStringLiteral("Other"), 320);
    EXPECT_TRUE(number.isNumber());
    EXPECT_EQ(number.toNumber(), 320);
    EXPECT_TRUE(pref.GetSetting(QStringLiteral("Nowhere"), QStringLiteral("x")).isMissing());
    EXPECT_EQ(pref.GetSetting(QStringLiteral("Nowhere"), QStringLiteral("x"), QString()), Variant(QString()));
    EXPECT_TRUE(pref.LoadSetting(QStringLiteral("Setting"), QStringLiteral("x"), Variant()).isEmpty());

    // A comment out-parameter is filled on a hit and untouched on a miss.
    pref.SaveSetting(QStringLiteral("Setting"), QStringLiteral("c"), QStringLiteral("1"),
                     QStringLiteral(";why"));
    QString comment = QStringLiteral("untouched");
    pref.GetSetting(QStringLiteral("Setting"), QStringLiteral("missing"), 0, &comment);
    EXPECT_EQ(comment, QStringLiteral("untouched"));
    pref.GetSetting(QStringLiteral("SETTING"), QStringLiteral("C"), 0, &comment);
    EXPECT_EQ(comment, QStringLiteral(";why"));
}

TEST(SettingsLookup, NamesIgnoreLetterCaseButNotSpaces)
{
    ClassPref3 pref;
    pref.SaveSetting(u8("Ärger"), QStringLiteral("Key"), QStringLiteral("1"));
    EXPECT_EQ(text(pref.GetSetting(u8("äRGER"), QStringLiteral("KEY"), QString())), QStringLiteral("1"));
    EXPECT_TRUE(pref.GetSetting(u8("Ärger "), QStringLiteral("Key")).isMissing());
    EXPECT_TRUE(pref.GetSetting(u8("Ärger"), QStringLiteral(" Key")).isMissing());
}

TEST(SettingsStore, ALaterStoreInAnotherLetterCaseRenamesTheSectionAndTheKey)
{
    QTemporaryDir dir;
    ClassPref3 pref;
    pref.setFileName(dir.filePath(QStringLiteral("a.ini")));
    pref.SaveSetting(QStringLiteral("window"), QStringLiteral("main.left"), QStringLiteral("1"));
    pref.SaveSetting(QStringLiteral("Window"), QStringLiteral("Main.Left"), QStringLiteral("2"));

    EXPECT_EQ(pref.Count(), 1);
    EXPECT_EQ(pref.SectionKeyCount(QStringLiteral("WINDOW")), Variant(1));
    pref.Save();
    EXPECT_EQ(readBytes(pref.FileName()), QByteArray("\r\n[Window]\r\nMain.Left=2\r\n"));
}

TEST(SettingsStore, AnEmptyValueReadsAsEmptyUntilSaveAndLoadDropIt)
{
    QTemporaryDir dir;
    ClassPref3 pref;
    pref.setFileName(dir.filePath(QStringLiteral("a.ini")));
    pref.SaveSetting(QStringLiteral("S"), QStringLiteral("gone"), QStringLiteral("x"));
    pref.SaveSetting(QStringLiteral("S"), QStringLiteral("kept"), QStringLiteral("y"));
    pref.SaveSetting(QStringLiteral("S"), QStringLiteral("gone"), QString());

    EXPECT_EQ(pref.GetSetting(QStringLiteral("S"), QStringLiteral("gone"), QStringLiteral("def")),
              Variant(QString()));
    pref.Save();
    ASSERT_TRUE(pref.Load());
    EXPECT_EQ(pref.GetSetting(QStringLiteral("S"), QStringLiteral("gone"), QStringLiteral("def")),
              Variant(QStringLiteral("def")));
    EXPECT_EQ(pref.SectionKeyCount(QStringLiteral("S")), Variant(1));
}

TEST(SettingsStore, CommentsAreReplacedOnlyWhenGiven)
{
    ClassPref3 pref;
    QString comment;
    pref.SaveSetting(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("1"), QStringLiteral(";first"));
    pref.SaveSetting(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("2"));
    pref.GetSetting(QStringLiteral("S"), QStringLiteral("k"), 0, &comment);
    EXPECT_EQ(comment, QStringLiteral(";first"));

    pref.SaveSetting(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("3"), 5);
    pref.GetSetting(QStringLiteral("S"), QStringLiteral("k"), 0, &comment);
    EXPECT_EQ(comment, QStringLiteral("5"));

    pref.SaveSetting(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("4"), QString());
    pref.GetSetting(QStringLiteral("S"), QStringLiteral("k"), 0, &comment);
    EXPECT_EQ(comment, QString());

    // An explicitly passed "omitted" marker omits the comment as well.
    pref.SaveSetting(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("5"), QStringLiteral(";again"));
    pref.SaveSetting(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("6"), Variant::missing());
    pref.GetSetting(QStringLiteral("S"), QStringLiteral("k"), 0, &comment);
    EXPECT_EQ(comment, QStringLiteral(";again"));
}

TEST(SettingsStore, ANameMatchWinsOverAnEarlierClearedSlotAndKeysNeverTakeDataEntries)
{
    ClassPref3 pref;
    pref.SaveSetting(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("1"));
    pref.SaveSetting(QStringLiteral("B"), QStringLiteral("k"), QStringLiteral("2"));
    pref.RemoveSection(QStringLiteral("A"));

    pref.SaveSetting(QStringLiteral("B"), QStringLiteral("k"), QStringLiteral("3"));
    EXPECT_EQ(pref.Sections(), Variant(QStringList{QString(), QStringLiteral("B")}));
    EXPECT_EQ(text(pref.GetSetting(QStringLiteral("B"), QStringLiteral("k"))), QStringLiteral("3"));

    pref.AddData(QStringLiteral("D"), QStringLiteral("data"));
    pref.SaveSetting(QStringLiteral("D"), QStringLiteral("key"), QStringLiteral("value"));
    EXPECT_EQ(pref.SectionKeyCount(QStringLiteral("D")), Variant(2));
    EXPECT_EQ(pref.GetData(QStringLiteral("D")), QStringLiteral("data"));
    EXPECT_EQ(pref.GetData(), QStringLiteral("value"));
    // An empty key finds the first data entry.
    EXPECT_EQ(text(pref.GetSetting(QStringLiteral("D"), QString())), QStringLiteral("data"));
}

TEST(SettingsRemove, ARemovedKeyIsStillListedUntilSaveAndLoad)
{
    QTemporaryDir dir;
    ClassPref3 pref;
    pref.setFileName(dir.filePath(QStringLiteral("a.ini")));
    pref.SaveSetting(QStringLiteral("Files"), QStringLiteral("a.avi"), QStringLiteral("1,2"));
    pref.SaveSetting(QStringLiteral("Files"), QStringLiteral("b.avi"), QStringLiteral("3,4"));
    pref.RemoveSetting(QStringLiteral("FILES"), QStringLiteral("A.AVI"));

    EXPECT_EQ(pref.GetSetting(QStringLiteral("Files"), QStringLiteral("a.avi"), QStringLiteral("d")),
              Variant(QString()));
    EXPECT_EQ(pref.Keys(QStringLiteral("Files")),
              Variant(QStringList{QStringLiteral("a.avi"), QStringLiteral("b.avi")}));
    QStringList keys;
    EXPECT_EQ(pref.GetSectionKeys(QStringLiteral("Files"), keys), 2);
    EXPECT_EQ(pref.SectionKeyCount(QStringLiteral("Files")), Variant(2));

    pref.Save();
    pref.Load();
    EXPECT_EQ(pref.Keys(QStringLiteral("Files")), Variant(QStringList{QStringLiteral("b.avi")}));
}

TEST(SettingsRemove, RemovingASectionLeavesACountedClearedSlotThatTheNextNewNameTakes)
{
    ClassPref3 pref;
    pref.SaveSetting(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("1"), QStringLiteral(";a"));
    pref.SaveSetting(QStringLiteral("B"), QStringLiteral("k"), QStringLiteral("2"));
    pref.SaveSetting(QStringLiteral("a"), QStringLiteral("k2"), QStringLiteral("2"));
    pref.RemoveSetting(QStringLiteral("a"));

    EXPECT_FALSE(pref.SearchSection(QStringLiteral("A")));
    EXPECT_EQ(pref.Count(), 2);
    EXPECT_EQ(pref.Keys(QStringLiteral("A")), Variant());
    EXPECT_EQ(pref.Keys(QString()), Variant(QStringList()));

    pref.SaveSetting(QStringLiteral("C"), QStringLiteral("x"), QStringLiteral("3"));
    EXPECT_EQ(pref.Count(), 2);
    EXPECT_EQ(pref.GetSection(0), QStringLiteral("C"));
    EXPECT_EQ(pref.Keys(QStringLiteral("C")), Variant(QStringList{QStringLiteral("x")}));

    // Removing absent names does nothing.
    pref.RemoveSetting(QStringLiteral("Z"));
    pref.DeleteSetting(QStringLiteral("C"), QStringLiteral("nothing"));
    EXPECT_EQ(pref.Count(), 2);
    EXPECT_EQ(pref.SectionKeyCount(QStringLiteral("C")), Variant(1));
}

TEST(SettingsRename, SectionsSharingANameAfterARenameAreListedTogether)
{
    ClassPref3 pref;
    pref.SaveSetting(QStringLiteral("One"), QStringLiteral("a"), QStringLiteral("1"));
    pref.SaveSetting(QStringLiteral("Two"), QStringLiteral("b"), QStringLiteral("2"));
    pref.AddData(QStringLiteral("Two"), QStringLiteral("data"));
    pref.SaveSetting(QStringLiteral("Two"), QStringLiteral("c"), QStringLiteral("3"));
    pref.RenameSection(QStringLiteral("TWO"), QStringLiteral("one"));

    QStringList keys{QStringLiteral("old0"), QStringLiteral("old1"), QStringLiteral("old2"),
                     QStringLiteral("old3")};
    EXPECT_EQ(pref.GetSectionKeys(QStringLiteral("ONE"), keys), 3);
    EXPECT_EQ(keys, (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(pref.Keys(QStringLiteral("one")), Variant(QStringList{QStringLiteral("a")}));
    // A lookup goes on into the second section of the name.
    EXPECT_EQ(text(pref.GetSetting(QStringLiteral("one"), QStringLiteral("c"))), QStringLiteral("3"));
    EXPECT_EQ(pref.Sections(), Variant(QStringList{QStringLiteral("One"), QStringLiteral("one")}));

    QStringList untouched{QStringLiteral("x")};
    EXPECT_EQ(pref.GetSectionKeys(QStringLiteral("none"), untouched), 0);
    EXPECT_EQ(untouched, QStringList{QStringLiteral("x")});
}

TEST(SettingsRename, AKeyTakesANewNameInPlaceUnlessTheNameIsTaken)
{
    // Small sections are scanned, large ones looked up by their index.
    for (const int extra : {0, 30}) {
        ClassPref3 pref;
        const QString s = QStringLiteral("Files");
        pref.SaveSetting(s, QStringLiteral("a"), QStringLiteral("1"));
        pref.SaveSetting(s, QStringLiteral("b"), QStringLiteral("2"));
        pref.SaveSetting(s, QStringLiteral("gone"), QStringLiteral("3"));
        pref.RemoveSetting(s, QStringLiteral("gone"));
        for (int i = 0; i < extra; ++i)
            pref.SaveSetting(s, QStringLiteral("x%1").arg(i), QStringLiteral("x"));
        const struct {
            const char *from;
            const char *to;
            bool renamed;
        } cases[] = {
            {"A", "c", true},                                            // "a" is now "c", still first
            {"c", "B", false},                                           // taken
            {"c", "GONE", false},                                        // taken by a removed key
            {"nothing", "d", false}, {"c", "", false}, {"c", "C", true}, // only the letter case
        };
        for (const auto &c : cases)
            EXPECT_EQ(pref.RenameKey(s, QString::fromUtf8(c.from), QString::fromUtf8(c.to)), c.renamed)
                << c.from << "->" << c.to;
        EXPECT_EQ(pref.Keys(s, 0), Variant(QStringLiteral("C")));
        EXPECT_EQ(text(pref.GetSetting(s, QStringLiteral("c"))), QStringLiteral("1"));
        EXPECT_EQ(pref.GetSetting(s, QStringLiteral("a"), QStringLiteral("none")),
                  Variant(QStringLiteral("none")));
        pref.SaveSetting(s, QStringLiteral("a"), QStringLiteral("4")); // a new key at the end
        EXPECT_EQ(pref.SectionKeyCount(s), Variant(4 + extra));
        EXPECT_EQ(text(pref.GetSetting(s, QStringLiteral("b"))), QStringLiteral("2"));
    }
}

TEST(SettingsAutoSave, EachStoreWritesTheFileAndEachLookupRereadsIt)
{
    QTemporaryDir dir;
    ClassPref3 pref;
    pref.setFileName(dir.filePath(QStringLiteral("a.ini")));
    pref.setAutoSave(1);
    pref.SaveSetting(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
    EXPECT_EQ(readBytes(pref.FileName()), QByteArray("\r\n[S]\r\nk=v\r\n"));

    pref.RemoveSetting(QStringLiteral("S"), QStringLiteral("k"));
    pref.AddData(QStringLiteral("S"), QStringLiteral("unsaved"));
    EXPECT_EQ(text(pref.GetSetting(QStringLiteral("S"), QStringLiteral("k"))), QStringLiteral("v"));
    EXPECT_EQ(pref.SectionKeyCount(QStringLiteral("S")), Variant(1));
}

TEST(SettingsData, GetDataReadsOneSectionInOrderThenEmptyText)
{
    ClassPref3 pref;
    pref.AddData(QStringLiteral("List"), QStringLiteral("first"), QStringLiteral(";c1"));
    pref.SaveSetting(QStringLiteral("List"), QStringLiteral("k"), QStringLiteral("second"));
    pref.AddData(QStringLiteral("Other"), QStringLiteral("elsewhere"));

    QString comment;
    EXPECT_EQ(pref.GetData(QStringLiteral("LIST"), &comment), QStringLiteral("first"));
    EXPECT_EQ(comment, QStringLiteral(";c1"));
    EXPECT_EQ(pref.GetData(), QStringLiteral("second"));
    EXPECT_EQ(pref.GetData(), QString());
    EXPECT_EQ(pref.GetData(), QString());

    EXPECT_EQ(pref.GetData(QStringLiteral("missing")), QString());
    // After an unknown section the cursor restarts the remembered section.
    EXPECT_EQ(pref.GetData(), QStringLiteral("first"));

    pref.ClearData();
    EXPECT_EQ(pref.GetData(), QString());
}

TEST(SettingsListing, IndexesOutsideTheSlotsRaiseSubscriptErrors)
{
    ClassPref3 pref;
    EXPECT_EQ(pref.Sections(), Variant(QStringList()));
    EXPECT_EQ(errorNumber([&] { pref.GetSection(0); }), ErrNo::SubscriptOutOfRange);
    EXPECT_EQ(errorNumber([&] { pref.Sections(0); }), ErrNo::SubscriptOutOfRange);

    pref.SaveSetting(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
    pref.AddData(QStringLiteral("S"), QStringLiteral("d"));
    EXPECT_EQ(pref.Sections(0), Variant(QStringLiteral("S")));
    EXPECT_EQ(pref.Keys(QStringLiteral("S"), 1), Variant(QString()));
    EXPECT_EQ(errorNumber([&] { pref.Keys(QStringLiteral("S"), 2); }), ErrNo::SubscriptOutOfRange);
    EXPECT_EQ(errorNumber([&] { pref.Keys(QStringLiteral("S"), -1); }), ErrNo::SubscriptOutOfRange);
    EXPECT_EQ(errorNumber([&] { pref.GetSection(1); }), ErrNo::SubscriptOutOfRange);
    EXPECT_TRUE(pref.Keys(QStringLiteral("T"), 5).isEmpty());
    EXPECT_TRUE(pref.SectionKeyCount(QStringLiteral("T")).isEmpty());

    pref.AddData(QStringLiteral("OnlyData"), QStringLiteral("d"));
    EXPECT_EQ(pref.Keys(QStringLiteral("OnlyData")), Variant(QStringList()));
}

TEST(SettingsVariant, TextFormsAndConversions)
{
    EXPECT_EQ(Variant(12.5).toText(), QStringLiteral("12.5"));
    EXPECT_EQ(Variant(-30).toText(), QStringLiteral("-30"));
    EXPECT_EQ(Variant(1e20).toText(), QStringLiteral("1E+20"));
    EXPECT_EQ(Variant(true).toText(), QStringLiteral("True"));
    EXPECT_EQ(Variant().toText(), QString());
    EXPECT_TRUE(Variant(QStringLiteral("false")).toBool() == false);
    EXPECT_TRUE(Variant(QStringLiteral("True")).toBool());
    EXPECT_EQ(Variant(QStringLiteral(" 2.5 ")).toNumber(), 2.5);
    EXPECT_EQ(errorNumber([] { Variant(QStringLiteral("abc")).toNumber(); }), ErrNo::TypeMismatch);
    EXPECT_EQ(errorNumber([] { Variant::missing().toText(); }), ErrNo::TypeMismatch);
    EXPECT_NE(Variant(QStringLiteral("1")), Variant(1));
}

namespace {

// A straightforward model of the store rules: linear scans that lower both
// names on every comparison. The indexed store must agree with it after
// every operation of a long random sequence.
struct ModelStore {
    struct Entry {
        QString name, value;
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;
    };
    std::vector<Section> sections;

    static bool same(const QString &a, const QString &b) { return a.toLower() == b.toLower(); }

    int find(const QString &name) const
    {
        for (std::size_t i = 0; i < sections.size(); ++i) {
            if (same(sections[i].name, name)) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    Section &store(const QString &name)
    {
        int slot = find(name);
        if (slot < 0) {
            slot = find(QString());
        }
        if (slot < 0) {
            sections.push_back({});
            slot = static_cast<int>(sections.size()) - 1;
        }
        sections[static_cast<std::size_t>(slot)].name = name;
        return sections[static_cast<std::size_t>(slot)];
    }

    void save(const QString &s, const QString &k, const QString &v)
    {
        Section &section = store(s);
        for (Entry &e : section.entries) {
            if (same(e.name, k)) {
                e.name = k;
                e.value = v;
                return;
            }
        }
        section.entries.push_back({k, v});
    }

    void add(const QString &s, const QString &v) { store(s).entries.push_back({QString(), v}); }

    void remove(const QString &s, const std::optional<QString> &k)
    {
        for (Section &section : sections) {
            if (!same(section.name, s)) {
                continue;
            }
            if (!k) {
                section.entries.clear();
                section.name.clear();
                continue;
            }
            for (Entry &e : section.entries) {
                if (same(e.name, *k)) {
                    e.value.clear();
                    break;
                }
            }
        }
    }

    void rename(const QString &from, const QString &to)
    {
        for (Section &section : sections) {
            if (same(section.name, from)) {
                section.name = to;
            }
        }
    }

    Variant get(const QString &s, const QString &k) const
    {
        for (const Section &section : sections) {
            if (!same(section.name, s)) {
                continue;
            }
            for (const Entry &e : section.entries) {
                if (same(e.name, k)) {
                    return e.value;
                }
            }
        }
        return Variant::missing();
    }
};

} // namespace

TEST(SettingsStore, AgreesWithAPlainLinearModelOverRandomOperations)
{
    const QStringList sectionNames{QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("b"),
                                   QStringLiteral("B"), QString(),           QStringLiteral("c")};
    QStringList keyNames{QString()};
    for (int i = 0; i < 24; ++i) {
        keyNames << QStringLiteral("k%1").arg(i) << QStringLiteral("K%1").arg(i);
    }
    QRandomGenerator random(20261207);
    ClassPref3 pref;
    ModelStore model;
    auto pick = [&random](const QStringList &names) { return names.at(random.bounded(names.size())); };

    for (int step = 0; step < 6000; ++step) {
        const QString s = pick(sectionNames);
        const QString k = pick(keyNames);
        const QString v = random.bounded(5) == 0 ? QString() : QString::number(step);
        switch (random.bounded(12)) {
        case 0:
            pref.RemoveSetting(s);
            model.remove(s, std::nullopt);
            break;
        case 1:
            pref.RemoveSetting(s, k);
            model.remove(s, k);
            break;
        case 2: {
            const QString to = pick(sectionNames);
            pref.RenameSection(s, to);
            model.rename(s, to);
            break;
        }
        case 3:
            pref.AddData(s, v);
            model.add(s, v);
            break;
        default:
            pref.SaveSetting(s, k, v);
            model.save(s, k, v);
            break;
        }

        QStringList modelNames;
        for (const ModelStore::Section &section : model.sections) {
            modelNames << section.name;
        }
        ASSERT_EQ(pref.Sections().toList(), modelNames) << "step " << step;
        for (const QString &probe : {s, k.isEmpty() ? QStringLiteral("k0") : k, QString()}) {
            ASSERT_EQ(pref.GetSetting(s, probe), model.get(s, probe)) << "step " << step;
        }
        const int slot = model.find(s);
        ASSERT_EQ(pref.SectionKeyCount(s),
                  slot < 0 ? Variant() : Variant(int(model.sections[std::size_t(slot)].entries.size())))
            << "step " << step;
    }
}
