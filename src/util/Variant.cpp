#include "util/Variant.h"

#include "util/RuntimeError.h"

Variant Variant::missing()
{
    Variant v;
    v.m_kind = Kind::Missing;
    return v;
}
QString Variant::toText() const { return m_text; }
double Variant::toNumber() const { return m_number; }
bool Variant::toBool() const { return m_number != 0; }
QStringList Variant::toList() const { return m_list; }
bool Variant::operator==(const Variant &o) const { return m_kind == o.m_kind && m_text == o.m_text && m_number == o.m_number && m_list == o.m_list; }
QString Variant::numberText(double number) { return QString::number(number); }
