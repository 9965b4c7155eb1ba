#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <vector>

namespace testsupport {

// Hand-made dBase III files for the table engine's tests, built byte by byte so that a test can
// spoil exactly the byte it is about.
struct DbfDesc
{
    QByteArray name;
    char type;
    int width;
    int decimals = 0;
};

inline QByteArray dbfDescriptor(const DbfDesc& d)
{
    QByteArray b(32, '\0');
    b.replace(0, qMin<int>(d.name.size(), 11), d.name.left(11));
    b[11] = d.type;
    b[16] = static_cast<char>(d.width);
    b[17] = static_cast<char>(d.decimals);
    return b;
}

// A table with these fields and records (each record's field bytes without the deletion flag,
// which is ' '), its header counts and lengths consistent, ending in 0x1A.
inline QByteArray dbfBytes(const std::vector<DbfDesc>& fields,
                           const std::vector<QByteArray>& records = {})
{
    int recordLength = 1;
    for (const auto& f : fields)
        recordLength += f.width;
    const int headerLength = 32 + 32 * static_cast<int>(fields.size()) + 1;
    QByteArray b(32, '\0');
    b[0] = 0x03;
    b[1] = 99;
    b[2] = 1;
    b[3] = 1;
    const auto n = static_cast<quint32>(records.size());
    for (int i = 0; i < 4; ++i)
        b[4 + i] = static_cast<char>((n >> (8 * i)) & 0xFF);
    b[8] = static_cast<char>(headerLength & 0xFF);
    b[9] = static_cast<char>(headerLength >> 8);
    b[10] = static_cast<char>(recordLength & 0xFF);
    b[11] = static_cast<char>(recordLength >> 8);
    b[29] = static_cast<char>(0xC9);
    for (const auto& f : fields)
        b += dbfDescriptor(f);
    b += '\x0D';
    for (const auto& r : records)
        b += ' ' + r.leftJustified(recordLength - 1, ' ', true);
    b += '\x1A';
    return b;
}

inline QString writeFile(const QString& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = QDir(dir).filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        return {};
    return path;
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace testsupport
