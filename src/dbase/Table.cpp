#include "dbase/Table.h"

#include "core/Error.h"
#include "dbase/DbfHeader.h"
#include "dbase/DbfScan.h"
#include "dbase/FieldCodec.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace dbase {

namespace {

// How much of the file one read brings in while walking the records.
constexpr qint64 readChunk = 256 * 1024;

QString joinPath(const QString& dir, const QString& fileName)
{
    if (dir.isEmpty() || dir.endsWith(QLatin1Char('/')) || dir.endsWith(QLatin1Char('\\')))
        return dir + fileName;
    return dir + QLatin1Char('/') + fileName;
}

QByteArray updateBytes(const QDate& today, std::uint32_t count)
{
    QByteArray b(7, '\0');
    b[0] = static_cast<char>(std::clamp(today.year() - 1900, 0, 255));
    b[1] = static_cast<char>(today.month());
    b[2] = static_cast<char>(today.day());
    for (int i = 0; i < 4; ++i)
        b[3 + i] = static_cast<char>((count >> (8 * i)) & 0xFF);
    return b;
}

// Opens a table file without ever blocking on something that is not a plain file.
void openFile(QFile& file, const QString& path, bool& writable)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw core::Error(QStringLiteral("Cannot open file '%1': it does not exist")
                              .arg(QDir::toNativeSeparators(path)));
    if (!info.isFile())
        throw core::Error(QStringLiteral("Cannot open file '%1': it is not a file")
                              .arg(QDir::toNativeSeparators(path)));
    file.setFileName(path);
    writable = file.open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    if (!writable && !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw core::Error(QStringLiteral("Cannot open file '%1': %2")
                              .arg(QDir::toNativeSeparators(path), file.errorString()));
}

DbfHeader readHeader(QFile& file, const QString& shownName)
{
    const qint64 size = file.size();
    QByteArray head = file.read(DbfHeader::fixedSize);
    const int claimed = claimedHeaderLength(head);
    if (claimed > head.size() && claimed <= size) {
        file.seek(0);
        head = file.read(claimed);
    }
    return parseDbfHeader(head, size, shownName);
}

} // namespace

struct Table::Impl
{
    QString name;
    std::vector<FieldDecl> decls;

    QFile file;
    QString path;
    QString shownName; // the path as messages show it
    bool open = false;
    bool writable = false;
    DbfHeader header;
    qint64 count = 0; // records stored

    std::optional<QByteArray> pending; // the record being filled
    qint64 cursor = 0;

    // Today's date for the header, looked up again at most once a second: the lookup reads the
    // time zone from disk, which would otherwise cost more than writing the record.
    QDate today;
    QElapsedTimer todayAge;
    std::function<QDate()> clock = [] { return QDate::currentDate(); };

    QDate currentDate()
    {
        if (!today.isValid() || !todayAge.isValid() || todayAge.elapsed() > 1000) {
            today = clock();
            todayAge.start();
        }
        return today;
    }

    QByteArray cache; // whole records, from cacheFirst on
    qint64 cacheFirst = 0;
    qint64 cacheCount = 0;

    core::Error error(const QString& text) const
    {
        return core::Error(name + QStringLiteral(": ") + text);
    }

    void requireOpen() const
    {
        if (!open)
            throw error(QStringLiteral("Cannot perform this operation on a closed dataset"));
    }

    std::vector<const DeclaredKind*> kinds; // per field of the file: its declared kind, if any

    const DeclaredKind* declaredKind(const DbfField& f) const
    {
        return kinds[static_cast<std::size_t>(&f - header.fields.data())];
    }

    const DbfField& field(const QString& fieldName) const
    {
        requireOpen();
        const int i = header.indexOf(fieldName);
        if (i < 0)
            throw error(QStringLiteral("Field '%1' not found").arg(fieldName));
        return header.fields[static_cast<std::size_t>(i)];
    }

    void bind() const
    {
        for (const FieldDecl& d : decls) {
            const int i = header.indexOf(d.name);
            if (i < 0)
                throw error(QStringLiteral("Field '%1' not found").arg(d.name));
            const DbfField& f = header.fields[static_cast<std::size_t>(i)];
            const bool numeric = f.type == 'N' || f.type == 'F';
            bool ok = false;
            QString expecting;
            switch (d.kind) {
            case DeclaredKind::Float:
                ok = numeric;
                expecting = QStringLiteral("Float");
                break;
            case DeclaredKind::Smallint:
                ok = numeric && f.decimals == 0;
                expecting = QStringLiteral("Smallint");
                break;
            case DeclaredKind::Integer:
                ok = numeric && f.decimals == 0;
                expecting = QStringLiteral("Integer");
                break;
            case DeclaredKind::Date:
                ok = f.type == 'D';
                expecting = QStringLiteral("Date");
                break;
            case DeclaredKind::Text:
                ok = f.type == 'C';
                expecting = QStringLiteral("String");
                break;
            }
            if (!ok)
                throw error(QStringLiteral("Type mismatch for field '%1', expecting: %2 actual: %3")
                                .arg(d.name, expecting, codec::kindName(f)));
            if (d.kind == DeclaredKind::Text && f.width != d.width)
                throw error(QStringLiteral("Size mismatch for field '%1', expecting: %2 actual: %3")
                                .arg(d.name)
                                .arg(d.width)
                                .arg(f.width));
        }
    }

    QByteArray& record()
    {
        requireOpen();
        if (!pending)
            throw error(QStringLiteral("Dataset not in edit or insert mode"));
        return *pending;
    }

    void put(const DbfField& f, const QByteArray& bytes)
    {
        record().replace(f.offset, f.width, bytes);
    }

    // The stored record `index`, read through a cache of whole records.
    QByteArray stored(qint64 index)
    {
        if (index < cacheFirst || index >= cacheFirst + cacheCount) {
            const qint64 n =
                std::min(count - index, std::max<qint64>(1, readChunk / header.recordLength));
            cache.clear();
            cacheCount = 0;
            if (!file.seek(header.recordPosition(index)))
                throw core::Error(recordContext(shownName, index) + file.errorString());
            cache = file.read(n * header.recordLength);
            if (cache.size() != n * header.recordLength)
                throw core::Error(recordContext(shownName, index) +
                                  QStringLiteral("the file ends before the record"));
            cacheFirst = index;
            cacheCount = n;
        }
        return QByteArray::fromRawData(
            cache.constData() + (index - cacheFirst) * header.recordLength, header.recordLength);
    }

    void skipDeleted()
    {
        while (cursor < count && stored(cursor).at(0) == '*')
            ++cursor;
    }

    QByteArray current(const DbfField& f)
    {
        if (cursor >= count)
            throw error(QStringLiteral("There is no current record"));
        return stored(cursor).mid(f.offset, f.width);
    }

    template <typename Parse> auto read(const QString& fieldName, Parse parse)
    {
        const DbfField& f = field(fieldName);
        const QByteArray bytes = current(f);
        try {
            return parse(f, bytes);
        } catch (const core::Error& e) {
            throw core::Error(recordContext(shownName, cursor) + e.message());
        }
    }

    // Whole-number kinds refuse what their type cannot hold, as the platform's fields do.
    void checkRange(const DbfField& f, double value) const
    {
        const DeclaredKind* kind = declaredKind(f);
        if (!kind || (*kind != DeclaredKind::Smallint && *kind != DeclaredKind::Integer))
            return;
        const double lo = *kind == DeclaredKind::Smallint ? -32768.0 : -2147483648.0;
        const double hi = *kind == DeclaredKind::Smallint ? 32767.0 : 2147483647.0;
        if (!(value >= lo && value <= hi))
            throw core::Error(QString::asprintf(
                "%.15g is not a valid value for field '%s'. The allowed range is %.15g to %.15g",
                value, f.name.toUtf8().constData(), lo, hi));
    }

    void requireType(const DbfField& f, bool ok, const char* expecting) const
    {
        if (!ok)
            throw error(QStringLiteral("Type mismatch for field '%1', expecting: %2 actual: %3")
                            .arg(f.name, QString::fromLatin1(expecting), codec::kindName(f)));
    }

    static bool numeric(const DbfField& f) { return f.type == 'N' || f.type == 'F'; }

    bool whole(const DbfField& f) const
    {
        const DeclaredKind* kind = declaredKind(f);
        return kind && (*kind == DeclaredKind::Smallint || *kind == DeclaredKind::Integer);
    }

    void writeAt(qint64 position, const QByteArray& bytes)
    {
        bool ok = file.seek(position);
        // A write the disk cuts short (no space left, file too large) reports no error of its
        // own; writing the rest once more makes the system say why it will not take it.
        for (qint64 done = 0; ok && done < bytes.size();) {
            const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
            ok = n > 0;
            done += std::max<qint64>(n, 0);
        }
        if (!ok) {
            const QString reason = file.error() != QFileDevice::NoError
                                       ? file.errorString()
                                       : QStringLiteral("the disk took only part of the data");
            throw core::Error(
                QStringLiteral("Cannot write to file '%1': %2").arg(shownName, reason));
        }
    }
};

Table::Table(QString name, std::vector<FieldDecl> fields) : m_impl(std::make_unique<Impl>())
{
    m_impl->name = std::move(name);
    m_impl->decls = std::move(fields);
}

Table::~Table()
{
    try {
        close();
    } catch (...) {
        // Every posted record is already in the file; nothing is left to lose here.
    }
}

const QString& Table::name() const
{
    return m_impl->name;
}

void Table::setClock(std::function<QDate()> today)
{
    m_impl->clock = std::move(today);
    m_impl->today = QDate();
}

void Table::emptyTable(const QString& dir, const QString& fileName)
{
    const QString path = joinPath(dir, fileName);
    if (m_impl->open && QFileInfo(path) == QFileInfo(m_impl->path))
        throw m_impl->error(QStringLiteral("Cannot empty the table while it is open"));
    QFile file;
    bool writable = false;
    openFile(file, path, writable);
    const QString shown = QDir::toNativeSeparators(path);
    if (!writable)
        throw core::Error(QStringLiteral("Cannot empty file '%1': it is read-only").arg(shown));
    const DbfHeader header = readHeader(file, shown);
    // The count goes to 0 before the records go, so no reader ever sees a count beyond the end.
    bool ok = file.seek(DbfHeader::lastUpdateOffset) &&
              file.write(updateBytes(m_impl->clock(), 0)) == 7 &&
              file.resize(header.headerLength) && file.seek(header.headerLength) &&
              file.putChar(DbfHeader::endOfFile);
    if (!ok)
        throw core::Error(
            QStringLiteral("Cannot empty file '%1': %2").arg(shown, file.errorString()));
}

void Table::open(const QString& dir, const QString& fileName)
{
    close();
    Impl& d = *m_impl;
    d.path = joinPath(dir, fileName);
    d.shownName = QDir::toNativeSeparators(d.path);
    openFile(d.file, d.path, d.writable);
    try {
        d.header = readHeader(d.file, d.shownName);
        d.bind();
    } catch (...) {
        d.file.close();
        throw;
    }
    d.kinds.assign(d.header.fields.size(), nullptr);
    for (const FieldDecl& decl : d.decls)
        d.kinds[static_cast<std::size_t>(d.header.indexOf(decl.name))] = &decl.kind;
    d.count = d.header.recordCount;
    d.cache.clear();
    d.cacheFirst = d.cacheCount = 0;
    d.pending.reset();
    d.open = true;
    first();
}

bool Table::isOpen() const
{
    return m_impl->open;
}

void Table::close()
{
    Impl& d = *m_impl;
    if (!d.open)
        return;
    // Each post has already brought the header up to date; an unposted record is dropped.
    d.pending.reset();
    d.cache.clear();
    d.cacheCount = 0;
    d.open = false;
    d.file.close();
}

void Table::append()
{
    Impl& d = *m_impl;
    d.requireOpen();
    if (!d.writable)
        throw core::Error(QStringLiteral("Cannot modify a read-only file '%1'").arg(d.shownName));
    d.pending = QByteArray(d.header.recordLength, ' ');
}

void Table::setFloat(const QString& field, double value)
{
    Impl& d = *m_impl;
    const DbfField& f = d.field(field);
    d.record();
    d.requireType(f, Impl::numeric(f), "Float");
    if (d.whole(f)) {
        const double rounded = std::round(value); // half away from zero
        d.checkRange(f, rounded);
        d.put(f, codec::formatWhole(f, static_cast<std::int64_t>(rounded)));
    } else {
        d.put(f, codec::formatNumber(f, value));
    }
}

void Table::setInt(const QString& field, std::int64_t value)
{
    Impl& d = *m_impl;
    const DbfField& f = d.field(field);
    d.record();
    d.requireType(f, Impl::numeric(f), "Integer");
    d.checkRange(f, static_cast<double>(value));
    d.put(f, codec::formatWhole(f, value));
}

void Table::setText(const QString& field, const QString& value)
{
    Impl& d = *m_impl;
    const DbfField& f = d.field(field);
    d.record();
    d.requireType(f, f.type == 'C', "String");
    d.put(f, codec::formatText(f, value));
}

void Table::setDate(const QString& field, const QDate& value)
{
    Impl& d = *m_impl;
    const DbfField& f = d.field(field);
    d.record();
    d.requireType(f, f.type == 'D', "Date");
    d.put(f, codec::formatDate(f, value));
}

void Table::post()
{
    Impl& d = *m_impl;
    QByteArray& rec = d.record();
    if (d.count >= std::numeric_limits<std::uint32_t>::max())
        throw core::Error(QStringLiteral("File '%1' cannot hold more records").arg(d.shownName));
    // The record and the end-of-file byte first, then the count that makes it part of the
    // table: a failure in between leaves a sound table without the new record.
    const qint64 at = d.header.recordPosition(d.count);
    try {
        d.writeAt(at, rec + DbfHeader::endOfFile);
        d.writeAt(DbfHeader::lastUpdateOffset,
                  updateBytes(d.currentDate(), static_cast<std::uint32_t>(d.count + 1)));
    } catch (...) {
        // Put the end of the table back where the count says it is.
        d.file.resize(at);
        d.file.seek(at);
        d.file.putChar(DbfHeader::endOfFile);
        throw;
    }
    ++d.count;
    d.pending.reset();
}

void Table::cancel()
{
    m_impl->pending.reset();
}

void Table::first()
{
    Impl& d = *m_impl;
    d.requireOpen();
    d.cursor = 0;
    d.skipDeleted();
}

bool Table::eof() const
{
    m_impl->requireOpen();
    return m_impl->cursor >= m_impl->count;
}

void Table::next()
{
    Impl& d = *m_impl;
    d.requireOpen();
    if (d.cursor < d.count) {
        ++d.cursor;
        d.skipDeleted();
    }
}

double Table::asFloat(const QString& field) const
{
    const DbfField& f = m_impl->field(field);
    m_impl->requireType(f, Impl::numeric(f), "Float");
    return m_impl->read(field, [](const DbfField& f, const QByteArray& bytes) {
        return codec::parseNumber(f, bytes);
    });
}

QString Table::asText(const QString& field) const
{
    return m_impl->read(field, [](const DbfField& f, const QByteArray& bytes) {
        if (f.type == 'N' || f.type == 'F')
            codec::parseNumber(f, bytes); // a damaged number is not passed on as text
        else if (f.type == 'D')
            codec::parseDate(f, bytes);
        else if (f.type == 'C')
            return codec::parseText(bytes);
        return codec::parseText(bytes).trimmed();
    });
}

QDate Table::asDate(const QString& field) const
{
    const DbfField& f = m_impl->field(field);
    m_impl->requireType(f, f.type == 'D', "Date");
    return m_impl->read(field, [](const DbfField& f, const QByteArray& bytes) {
        return codec::parseDate(f, bytes);
    });
}

int Table::recordCount() const
{
    m_impl->requireOpen();
    return static_cast<int>(std::min<qint64>(m_impl->count, std::numeric_limits<int>::max()));
}

} // namespace dbase

namespace dbase {

QStringList Table::fieldNames() const
{
    m_impl->requireOpen();
    QStringList names;
    for (const DbfField& f : m_impl->header.fields)
        names << f.name;
    return names;
}

} // namespace dbase
