#pragma once

// Readable failure output for Qt values in every test (force-included by the test targets).

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QByteArray& b, std::ostream* os)
{
    *os << "bytes \"" << b.toHex(' ').toStdString() << '"';
}

inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << '[' << l.join(QStringLiteral("|")).toStdString() << ']';
}

inline void PrintTo(const QDate& d, std::ostream* os)
{
    *os << (d.isNull() ? std::string("null date") : d.toString(Qt::ISODate).toStdString());
}
