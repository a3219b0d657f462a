#pragma once

#include <QString>
#include <QStringList>

#include <type_traits>

/// A small variant as the forms runtime passes optional arguments and loose
/// results: nothing at all (Empty), the marker of an omitted argument
/// (Missing), a text, a number, a switch or a list of texts.
///
/// Settings lookups hand a caller's default back unchanged, so a number
/// default comes back as a number and an omitted default as Missing.
class Variant final {
public:
    enum class Kind { Empty, Missing, Text, Number, Boolean, TextList };

    /// Empty: no value at all.
    Variant() = default;
    Variant(const QString &text)
        : m_kind(Kind::Text)
        , m_text(text)
    {}
    /// UTF-8 text.
    Variant(const char *text)
        : m_kind(Kind::Text)
        , m_text(QString::fromUtf8(text))
    {}
    Variant(double number)
        : m_kind(Kind::Number)
        , m_number(number)
    {}
    Variant(int number)
        : m_kind(Kind::Number)
        , m_number(number)
    {}
    Variant(bool flag)
        : m_kind(Kind::Boolean)
        , m_number(flag ? -1 : 0)
    {}
    Variant(const QStringList &list)
        : m_kind(Kind::TextList)
        , m_list(list)
    {}

    /// The marker of an omitted optional argument.
    static Variant missing();

    Kind kind() const { return m_kind; }
    bool isEmpty() const { return m_kind == Kind::Empty; }
    bool isMissing() const { return m_kind == Kind::Missing; }
    bool isText() const { return m_kind == Kind::Text; }
    bool isNumber() const { return m_kind == Kind::Number; }
    bool isBoolean() const { return m_kind == Kind::Boolean; }
    bool isList() const { return m_kind == Kind::TextList; }

    /// The text form: Empty gives "", a number its usual text form ("12.5",
    /// "-30", "1E+20"), a switch "True" or "False".
    /// Throws RuntimeError(TypeMismatch) for Missing and for a list.
    QString toText() const;

    /// Empty gives 0, a switch -1 or 0, a text must read wholly as a number
    /// (blanks around it allowed, "." as decimal point).
    /// Throws RuntimeError(TypeMismatch) otherwise.
    double toNumber() const;

    /// Empty gives false, a number is true when non-zero, a text "True" or
    /// "False" (any letter case) or a number text.
    /// Throws RuntimeError(TypeMismatch) otherwise.
    bool toBool() const;

    /// The list; Empty gives an empty list.
    /// Throws RuntimeError(TypeMismatch) for any other kind.
    QStringList toList() const;

    /// Same kind and same content.
    bool operator==(const Variant &other) const;
    bool operator!=(const Variant &other) const { return !(*this == other); }

    /// The usual text form of a number, as toText() gives it and the
    /// settings file holds it: "." as point, at most `digits` significant
    /// digits (15 for doubles, 7 for singles), never "-0".
    static QString numberText(double number, int digits = 15);

private:
    Kind m_kind = Kind::Empty;
    QString m_text;
    double m_number = 0;
    QStringList m_list;
};
