#include "util/Variant.h"

#include "util/RuntimeError.h"

#include <cmath>

Variant Variant::missing()
{
    Variant marker;
    marker.m_kind = Kind::Missing;
    return marker;
}

QString Variant::numberText(double number, int digits)
{
    // An upper-case exponent from 1E+<digits> on, the form the settings
    // file has always held numbers in.
    if (number == 0)
        return QStringLiteral("0");
    return QString::asprintf("%.*G", digits, number);
}

QString Variant::toText() const
{
    switch (m_kind) {
    case Kind::Empty: return {};
    case Kind::Text: return m_text;
    case Kind::Number: return numberText(m_number);
    case Kind::Boolean: return m_number != 0 ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::Missing:
    case Kind::TextList: break;
    }
    throw RuntimeError(ErrNo::TypeMismatch);
}

double Variant::toNumber() const
{
    switch (m_kind) {
    case Kind::Empty: return 0;
    case Kind::Number:
    case Kind::Boolean: return m_number;
    case Kind::Text: {
        bool ok = false;
        const double number = m_text.trimmed().toDouble(&ok);
        if (ok && std::isfinite(number)) {
            return number;
        }
        break;
    }
    case Kind::Missing:
    case Kind::TextList: break;
    }
    throw RuntimeError(ErrNo::TypeMismatch);
}

bool Variant::toBool() const
{
    if (m_kind == Kind::Text) {
        const QString word = m_text.trimmed();
        if (word.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
            return true;
        }
        if (word.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
            return false;
        }
    }
    return toNumber() != 0;
}

QStringList Variant::toList() const
{
    if (m_kind == Kind::TextList) {
        return m_list;
    }
    if (m_kind == Kind::Empty) {
        return {};
    }
    throw RuntimeError(ErrNo::TypeMismatch);
}

bool Variant::operator==(const Variant &other) const
{
    if (m_kind != other.m_kind) {
        return false;
    }
    switch (m_kind) {
    case Kind::Empty:
    case Kind::Missing: return true;
    case Kind::Text: return m_text == other.m_text;
    case Kind::Number:
    case Kind::Boolean: return m_number == other.m_number;
    case Kind::TextList: return m_list == other.m_list;
    }
    return false;
}
