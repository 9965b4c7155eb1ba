#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace dbase {

// One field descriptor of a dBase III table, as the file stores it.
struct DbfField
{
    QString name;     // up to 10 characters, upper case as stored
    char type = 'C';  // C, N, F, D, L, M, ...
    int width = 0;    // 1..254
    int decimals = 0; // meaningful for N and F only
    int offset = 0;   // of the field within the record; the deletion flag is byte 0
};

// The fixed 32-byte header and the descriptors that follow it.
struct DbfHeader
{
    static constexpr int fixedSize = 32;
    static constexpr int descriptorSize = 32;
    static constexpr char terminator = 0x0D;
    static constexpr char endOfFile = 0x1A;
    // Offsets within the fixed header that the engine rewrites.
    static constexpr int lastUpdateOffset = 1;  // YY MM DD, the year counted from 1900
    static constexpr int recordCountOffset = 4; // 32-bit little-endian

    std::uint8_t version = 0;
    int updateYear = 0; // as stored: years since 1900
    int updateMonth = 0;
    int updateDay = 0;
    std::uint32_t recordCount = 0;
    int headerLength = 0;
    int recordLength = 0;
    std::uint8_t codePage = 0;
    std::vector<DbfField> fields;

    // Index of the field with this name (compared without regard to case), or -1.
    int indexOf(const QString& name) const;
    // Where record `index` starts in the file.
    qint64 recordPosition(qint64 index) const { return headerLength + index * recordLength; }
};

// The header length a file claims in bytes 8-9, for reading just enough of it; 0 when `head`
// holds fewer than 32 bytes.
int claimedHeaderLength(const QByteArray& head);

// Parses and checks the header at the start of a table file. `head` holds the first bytes of
// the file (at least the claimed header length, when the file is that long); `fileSize` is the
// whole file's size. Everything the header claims is checked against the descriptors and the
// file size before it is believed, so that no later read or allocation follows a bad count.
// A file that is not a sound dBase table gives core::Error naming `fileName`.
DbfHeader parseDbfHeader(const QByteArray& head, qint64 fileSize, const QString& fileName);

// A table file ends with its last counted record, or with the one end mark after it; anything
// more (a record the count leaves out, say) gives core::Error naming `fileName`. `firstAfter` is
// the byte after the last record, when there is one.
void checkDbfEnd(const DbfHeader& header, qint64 fileSize, char firstAfter,
                 const QString& fileName);

// Why a record's first byte is neither the live mark ' ' nor the deleted mark '*'; empty when it
// is one of them.
QString deletionFlagProblem(char flag);

} // namespace dbase
