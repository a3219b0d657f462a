#include "util/GetToken.h"
#include "util/RuntimeError.h"

#include "TestSupport.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

struct Field {
    QString text;
    std::int32_t position;
};

// Splits `text` from position 1 to the end, the way callers read a record.
std::vector<Field> splitAll(const QString &text)
{
    std::vector<Field> fields;
    std::int32_t position = 1;
    QString next = GetToken(text, position);
    fields.push_back({next, position});
    while (position <= text.size()) {
        next = GetToken(QString(), position);
        fields.push_back({next, position});
    }
    return fields;
}

QStringList texts(const std::vector<Field> &fields)
{
    QStringList list;
    for (const Field &field : fields) {
        list << field.text;
    }
    return list;
}

} // namespace

TEST(GetToken, ReadsAResumeRecordAndContinuesInTheRememberedText)
{
    std::int32_t position = 1;
    EXPECT_EQ(GetToken(QStringLiteral("12.5,300"), position), QStringLiteral("12.5"));
    EXPECT_EQ(position, 6);
    EXPECT_EQ(GetToken(QString(), position), QStringLiteral("300"));
    EXPECT_EQ(position, 9);
    EXPECT_EQ(GetToken(QString(), position), QString());
    EXPECT_EQ(position, 9);

    // Position 0 counts as 1; a new text replaces the remembered one.
    position = 0;
    EXPECT_EQ(GetToken(QStringLiteral("a,b"), position), QStringLiteral("a"));
    EXPECT_EQ(position, 3);
    EXPECT_EQ(GetToken(QString(), position), QStringLiteral("b"));
}

TEST(GetToken, QuotedFieldsKeepDelimitersAndAnyQuoteClosesThem)
{
    EXPECT_EQ(texts(splitAll(QStringLiteral("'a,b',c"))),
              (QStringList{QStringLiteral("a,b"), QStringLiteral("c")}));
    EXPECT_EQ(texts(splitAll(QStringLiteral("\"x\u2019,y"))),
              (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
    EXPECT_EQ(texts(splitAll(QStringLiteral("\"line\r\nnext\",z"))),
              (QStringList{QStringLiteral("line\r\nnext"), QStringLiteral("z")}));
    // The right single quotation mark never opens; a quote inside a field is
    // an ordinary character.
    EXPECT_EQ(texts(splitAll(QStringLiteral("\u2019a\u2019,b'c"))),
              (QStringList{QStringLiteral("\u2019a\u2019"), QStringLiteral("b'c")}));
    // Exactly one character after the closing quote is skipped: a blank there
    // leaves the comma to end an extra empty field.
    EXPECT_EQ(texts(splitAll(QStringLiteral("'a' ,b"))),
              (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
    // A quote still open at the end takes the rest of the text.
    std::int32_t position = 1;
    EXPECT_EQ(GetToken(QStringLiteral("'open, ended"), position), QStringLiteral("open, ended"));
    EXPECT_EQ(position, 13);
    // A closing quote at the very end steps past it.
    position = 1;
    EXPECT_EQ(GetToken(QStringLiteral("'q'"), position), QStringLiteral("q"));
    EXPECT_EQ(position, 5);
}

TEST(GetToken, BlanksLineEndsAndEmptyFields)
{
    EXPECT_EQ(texts(splitAll(QStringLiteral(" \u3000 a b ,  c"))),
              (QStringList{QStringLiteral("a b "), QStringLiteral("c")}));
    EXPECT_EQ(texts(splitAll(QStringLiteral("a\r\nb\rc\nd"))),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c\nd")}));

    std::int32_t position = 1;
    EXPECT_EQ(GetToken(QStringLiteral("a,,b"), position), QStringLiteral("a"));
    EXPECT_EQ(GetToken(QString(), position), QString());
    EXPECT_EQ(position, 4);
    EXPECT_EQ(GetToken(QString(), position), QStringLiteral("b"));

    position = 1;
    GetToken(QStringLiteral("x\r\n"), position);
    EXPECT_EQ(position, 4);
}

TEST(GetToken, PositionsOutsideTheText)
{
    std::int32_t position = 50;
    EXPECT_EQ(GetToken(QStringLiteral("abc"), position), QString());
    EXPECT_EQ(position, 50);

    position = -1;
    EXPECT_EQ(errorNumber([&] { GetToken(QStringLiteral("abc"), position); }), ErrNo::InvalidProcedureCall);
}
