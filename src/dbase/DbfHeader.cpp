#include "dbase/DbfHeader.h"

#include "core/Error.h"

#include <QSet>

#include <cstring>

namespace dbase {

namespace {

int u8(const QByteArray& b, int at)
{
    return static_cast<std::uint8_t>(b[at]);
}

int u16(const QByteArray& b, int at)
{
    return u8(b, at) | (u8(b, at + 1) << 8);
}

std::uint32_t u32(const QByteArray& b, int at)
{
    return static_cast<std::uint32_t>(u8(b, at)) | static_cast<std::uint32_t>(u8(b, at + 1)) << 8 |
           static_cast<std::uint32_t>(u8(b, at + 2)) << 16 |
           static_cast<std::uint32_t>(u8(b, at + 3)) << 24;
}

[[noreturn]] void fail(const QString& fileName, const QString& why)
{
    throw core::Error(
        QStringLiteral("File '%1' is not a valid dBase table: %2").arg(fileName, why));
}

// The field descriptor at pos, the number-th (from 1); seen holds the names before it, in upper
// case, and takes this one's.
DbfField readFieldDescriptor(const QByteArray& head, int pos, int number, QSet<QString>& seen,
                             const QString& fileName)
{
    // The name takes at most 10 of its 11 bytes: a name without its NUL is no name.
    const char* nameStart = head.constData() + pos;
    const auto* nul = static_cast<const char*>(std::memchr(nameStart, '\0', 11));
    if (nul == nullptr)
        fail(fileName,
             QStringLiteral("field descriptor %1 has a name without terminator").arg(number));
    DbfField f;
    f.name = QString::fromLatin1(nameStart, static_cast<int>(nul - nameStart)).trimmed();
    f.type = static_cast<char>(head[pos + 11]);
    f.width = u8(head, pos + 16);
    f.decimals = u8(head, pos + 17);
    if (f.name.isEmpty())
        fail(fileName, QStringLiteral("field descriptor %1 has no name").arg(number));
    if (seen.contains(f.name.toUpper()))
        fail(fileName, QStringLiteral("field '%1' is declared twice").arg(f.name));
    seen.insert(f.name.toUpper());
    if (f.width == 0 || f.width > 254)
        fail(fileName, QStringLiteral("field '%1' has the width %2").arg(f.name).arg(f.width));
    if ((f.type == 'N' || f.type == 'F') && f.decimals >= f.width)
        fail(fileName, QStringLiteral("field '%1' has %2 decimals in a width of %3")
                           .arg(f.name)
                           .arg(f.decimals)
                           .arg(f.width));
    // Some writers keep the high byte of a long text's width there; read as the low byte
    // alone, every later field would be taken from the wrong bytes.
    if (f.type == 'C' && f.decimals != 0)
        fail(fileName,
             QStringLiteral("text field '%1' declares %2 decimals").arg(f.name).arg(f.decimals));
    if (f.type != 'N' && f.type != 'F')
        f.decimals = 0;
    return f;
}

// Reads the descriptors into h.fields and returns the record length they make.
int readFieldDescriptors(const QByteArray& head, DbfHeader& h, const QString& fileName)
{
    // Descriptors run from byte 32 to the terminator, all within the claimed header length.
    int pos = DbfHeader::fixedSize;
    int offset = 1; // byte 0 of every record is the deletion flag
    QSet<QString> seen;
    for (;;) {
        if (pos >= h.headerLength)
            fail(fileName, QStringLiteral("the field list has no terminator within the header"));
        if (head[pos] == DbfHeader::terminator)
            return offset;
        const int number = static_cast<int>(h.fields.size()) + 1;
        if (pos + DbfHeader::descriptorSize > h.headerLength)
            fail(fileName, QStringLiteral("field descriptor %1 runs past the header").arg(number));
        DbfField f = readFieldDescriptor(head, pos, number, seen, fileName);
        f.offset = offset;
        offset += f.width;
        h.fields.push_back(f);
        pos += DbfHeader::descriptorSize;
    }
}

} // namespace

int DbfHeader::indexOf(const QString& name) const
{
    // Callers nearly always give the name as stored; only then is case looked past.
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == name)
            return static_cast<int>(i);
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

int claimedHeaderLength(const QByteArray& head)
{
    return head.size() < DbfHeader::fixedSize ? 0 : u16(head, 8);
}

DbfHeader parseDbfHeader(const QByteArray& head, qint64 fileSize, const QString& fileName)
{
    if (fileSize < DbfHeader::fixedSize || head.size() < DbfHeader::fixedSize)
        fail(fileName, QStringLiteral("the file is shorter than the 32-byte header"));

    DbfHeader h;
    h.version = static_cast<std::uint8_t>(head[0]);
    h.updateYear = u8(head, 1);
    h.updateMonth = u8(head, 2);
    h.updateDay = u8(head, 3);
    h.recordCount = u32(head, DbfHeader::recordCountOffset);
    h.headerLength = u16(head, 8);
    h.recordLength = u16(head, 10);
    h.codePage = static_cast<std::uint8_t>(head[29]);

    if (h.headerLength < DbfHeader::fixedSize + 1)
        fail(fileName, QStringLiteral("header length %1 is too short").arg(h.headerLength));
    if (h.headerLength > fileSize)
        fail(fileName, QStringLiteral("header length %1 exceeds the file size %2")
                           .arg(h.headerLength)
                           .arg(fileSize));
    if (head.size() < h.headerLength)
        fail(fileName, QStringLiteral("the header could not be read in full"));

    const int offset = readFieldDescriptors(head, h, fileName);
    if (h.fields.empty())
        fail(fileName, QStringLiteral("it declares no fields"));
    if (offset != h.recordLength)
        fail(fileName, QStringLiteral("record length %1 disagrees with the fields, which take %2")
                           .arg(h.recordLength)
                           .arg(offset));

    // Only now is the record count believed, and only as far as the file holds the records.
    const qint64 holds = (fileSize - h.headerLength) / h.recordLength;
    if (h.recordCount > holds)
        fail(fileName, QStringLiteral("the header counts %1 records, the file holds %2")
                           .arg(h.recordCount)
                           .arg(holds));
    return h;
}

void checkDbfEnd(const DbfHeader& header, qint64 fileSize, char firstAfter, const QString& fileName)
{
    const qint64 after = fileSize - header.recordPosition(header.recordCount);
    if (after == 1 && firstAfter != DbfHeader::endOfFile)
        fail(fileName, QStringLiteral("a byte other than the end mark follows the %1 records the "
                                      "header counts")
                           .arg(header.recordCount));
    if (after > 1)
        fail(fileName, QStringLiteral("%1 bytes follow the %2 records the header counts, where at "
                                      "most the end mark may")
                           .arg(after)
                           .arg(header.recordCount));
}

QString deletionFlagProblem(char flag)
{
    if (flag == ' ' || flag == '*')
        return {};
    return QStringLiteral("the deletion flag is 0x%1, neither blank nor '*'")
        .arg(static_cast<std::uint8_t>(flag), 2, 16, QLatin1Char('0'));
}

} // namespace dbase
