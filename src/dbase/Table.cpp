#include "dbase/Table.h"

#include "core/Error.h"
#include "core/OwnFiles.h"
#include "dbase/DbfHeader.h"
#include "dbase/DbfScan.h"
#include "dbase/FieldCodec.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <optional>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// Opens an existing table file, never creating one and never blocking on something that is not
// a plain file: the name is opened first and what it names is looked at through the open handle,
// so nothing can be swapped in between. `forWriting` asks for write access; without it, or when
// the file does not grant it, the file is read only (`writable` says which).
void openFile(QFile& file, const QByteArray& name, const QString& shown, bool forWriting,
              bool& writable)
{
    auto refuse = [&](const QString& why) {
        return core::Error(QStringLiteral("Cannot open file '%1': %2").arg(shown, why));
    };
    writable = false;
#ifdef _WIN32
    const QString path = QFile::decodeName(name);
    const QFileInfo info(path);
    if (!info.exists())
        throw refuse(QStringLiteral("it does not exist"));
    if (!info.isFile())
        throw refuse(QStringLiteral("it is not a file"));
    file.setFileName(path);
    const auto existing = QIODevice::Unbuffered | QIODevice::ExistingOnly;
    writable = forWriting && file.open(QIODevice::ReadWrite | existing);
    if (!writable && !file.open(QIODevice::ReadOnly | existing))
        throw refuse(file.errorString());
#else
    const int flags = O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int fd = -1;
    if (forWriting) {
        fd = ::open(name.constData(), O_RDWR | flags);
        writable = fd >= 0;
    }
    if (fd < 0 && (!forWriting || errno == EACCES || errno == EPERM || errno == EROFS))
        fd = ::open(name.constData(), O_RDONLY | flags);
    if (fd < 0) {
        if (errno == ENOENT)
            throw refuse(QStringLiteral("it does not exist"));
        if (errno == EISDIR)
            throw refuse(QStringLiteral("it is not a file"));
        throw refuse(QString::fromLocal8Bit(std::strerror(errno)));
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw refuse(QStringLiteral("it is not a file"));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const auto mode =
        (writable ? QIODevice::ReadWrite : QIODevice::ReadOnly) | QIODevice::Unbuffered;
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw refuse(file.errorString());
    }
#endif
}

DbfHeader readHeader(QFile& file, const QString& shownName)
{
    const qint64 size = file.size();
    file.seek(0); // a descriptor handed over may stand anywhere
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

    // Names looked up before, tried from where the last one was found: a caller that reads every
    // record asks for the same names in the same order over and over.
    struct Lookup
    {
        QString name;
        int index;
    };
    mutable std::array<Lookup, 16> lookups;
    mutable std::size_t lookupCount = 0;
    mutable std::size_t lookupGuess = 0; // where the next name is likely: after the last one

    const DbfField& field(const QString& fieldName) const
    {
        requireOpen();
        std::size_t k = lookupGuess;
        for (std::size_t n = 0; n < lookupCount; ++n, ++k) {
            if (k >= lookupCount)
                k = 0;
            const Lookup& l = lookups[k];
            if (l.name == fieldName) {
                lookupGuess = k + 1;
                return header.fields[static_cast<std::size_t>(l.index)];
            }
        }
        const int i = header.indexOf(fieldName);
        if (i < 0)
            throw error(QStringLiteral("Field '%1' not found").arg(fieldName));
        if (!fieldName.isEmpty())
            lookups[lookupCount++ % lookups.size()] = {fieldName, i};
        lookupCount = std::min(lookupCount, lookups.size());
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
            currentAt = -1;
        }
        return QByteArray::fromRawData(
            cache.constData() + (index - cacheFirst) * header.recordLength, header.recordLength);
    }

    // Steps over deleted records; a record marked neither live nor deleted is no record.
    void skipDeleted()
    {
        for (; cursor < count; ++cursor) {
            const char flag = stored(cursor).at(0);
            if (flag == ' ')
                return;
            if (flag != '*')
                throw core::Error(recordContext(shownName, cursor) + deletionFlagProblem(flag));
        }
    }

    // The last text read from each text field, by the field's offset.
    std::map<int, std::pair<QByteArray, QString>> lastTexts;

    // The current record's bytes in the cache, found once per record rather than once per field.
    const char* currentRecord = nullptr;
    qint64 currentAt = -1; // the record currentRecord is, or -1

    QByteArray current(const DbfField& f)
    {
        if (cursor >= count)
            throw error(QStringLiteral("There is no current record"));
        if (currentAt != cursor) {
            currentRecord = stored(cursor).constData();
            currentAt = cursor;
        }
        // A view into the cache, read before the cache moves on.
        return QByteArray::fromRawData(currentRecord + f.offset, f.width);
    }

    template <typename Parse> auto read(const DbfField& f, Parse parse)
    {
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
    const QString shown = QDir::toNativeSeparators(path);
    openFile(file, QFile::encodeName(path), shown, true, writable);
    if (!writable)
        throw core::Error(QStringLiteral("Cannot empty file '%1': it is read-only").arg(shown));
    emptyTable(file, path);
}

void Table::emptyTable(QFile& file, const QString& path, const QString& headerFrom)
{
    const QString shown = QDir::toNativeSeparators(path);
    const DbfHeader header =
        readHeader(file, headerFrom.isEmpty() ? shown : QDir::toNativeSeparators(headerFrom));
    // The count goes to 0 before the records go, so no reader ever sees a count beyond the end.
    bool ok = file.seek(DbfHeader::lastUpdateOffset) &&
              file.write(updateBytes(m_impl->clock(), 0)) == 7 &&
              file.resize(header.headerLength) && file.seek(header.headerLength) &&
              file.putChar(DbfHeader::endOfFile);
    if (!ok)
        throw core::Error(
            QStringLiteral("Cannot empty file '%1': %2").arg(shown, file.errorString()));
}

void Table::open(const QString& dir, const QString& fileName, OpenMode mode)
{
    open(QFile::encodeName(joinPath(dir, fileName)), mode);
}

void Table::open(const QByteArray& nativePath, OpenMode mode)
{
    close();
    Impl& d = *m_impl;
    d.path = QFile::decodeName(nativePath);
    d.shownName = QDir::toNativeSeparators(d.path);
    openFile(d.file, nativePath, d.shownName, mode == OpenMode::ReadWrite, d.writable);
    // A file this process wrote is met again by its name only if it is still that file.
    const QString replaced = core::writtenFileProblem(d.path, d.file.handle());
    if (!replaced.isEmpty()) {
        d.file.close();
        throw core::Error(QStringLiteral("Cannot open file '%1': %2").arg(d.shownName, replaced));
    }
    bindOpened();
}

void Table::open(QFile& file, const QString& path)
{
    close();
    Impl& d = *m_impl;
    d.path = path;
    d.shownName = QDir::toNativeSeparators(d.path);
#ifdef _WIN32
    Q_UNUSED(file);
    openFile(d.file, QFile::encodeName(d.path), d.shownName, true, d.writable);
#else
    const int fd = ::dup(file.handle());
    d.writable = true;
    if (fd < 0 || !d.file.open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered,
                               QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        throw core::Error(QStringLiteral("Cannot open file '%1': %2")
                              .arg(d.shownName, QString::fromLocal8Bit(std::strerror(errno))));
    }
#endif
    bindOpened();
}

void Table::bindOpened()
{
    Impl& d = *m_impl;
    try {
        d.header = readHeader(d.file, d.shownName);
        const qint64 end = d.header.recordPosition(d.header.recordCount);
        char after = '\0';
        if (d.file.size() > end && !(d.file.seek(end) && d.file.getChar(&after)))
            throw core::Error(
                QStringLiteral("Cannot read file '%1': %2").arg(d.shownName, d.file.errorString()));
        checkDbfEnd(d.header, d.file.size(), after, d.shownName);
        d.bind();
    } catch (...) {
        d.file.close();
        throw;
    }
    d.kinds.assign(d.header.fields.size(), nullptr);
    for (const FieldDecl& decl : d.decls)
        d.kinds[static_cast<std::size_t>(d.header.indexOf(decl.name))] = &decl.kind;
    d.count = d.header.recordCount;
    d.lookupCount = 0;
    d.lastTexts.clear();
    d.currentAt = -1;
    d.cache.clear();
    d.cacheFirst = d.cacheCount = 0;
    d.pending.reset();
    d.open = true;
    try {
        first();
    } catch (...) {
        close();
        throw;
    }
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
    d.currentAt = -1;
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
    return m_impl->read(
        f, [](const DbfField& f, const QByteArray& bytes) { return codec::parseNumber(f, bytes); });
}

QString Table::asText(const QString& field) const
{
    Impl& d = *m_impl;
    return d.read(d.field(field), [&d](const DbfField& f, const QByteArray& bytes) {
        if (f.type == 'C') {
            // A text that repeats the record before (the agent's code, a person's number over
            // the rows of the person) is given again rather than decoded again.
            auto& [lastBytes, lastText] = d.lastTexts[static_cast<std::size_t>(f.offset)];
            if (lastBytes.size() != bytes.size() ||
                std::memcmp(lastBytes.constData(), bytes.constData(),
                            static_cast<std::size_t>(bytes.size())) != 0) {
                lastBytes = QByteArray(bytes.constData(), bytes.size());
                lastText = codec::parseText(bytes);
            }
            return lastText;
        }
        if (f.type == 'N' || f.type == 'F')
            codec::parseNumber(f, bytes); // a damaged number is not passed on as text
        else if (f.type == 'D')
            codec::parseDate(f, bytes);
        return codec::parseText(bytes).trimmed();
    });
}

QDate Table::asDate(const QString& field) const
{
    const DbfField& f = m_impl->field(field);
    m_impl->requireType(f, f.type == 'D', "Date");
    return m_impl->read(
        f, [](const DbfField& f, const QByteArray& bytes) { return codec::parseDate(f, bytes); });
}

std::optional<codec::Decimal> Table::asDecimal(const QString& field) const
{
    const DbfField& f = m_impl->field(field);
    m_impl->requireType(f, Impl::numeric(f), "Float");
    return m_impl->read(f, [](const DbfField& f, const QByteArray& bytes) {
        return codec::parseDecimal(f, bytes);
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

const std::vector<DbfField>& Table::fields() const
{
    m_impl->requireOpen();
    return m_impl->header.fields;
}

const DbfHeader& Table::header() const
{
    m_impl->requireOpen();
    return m_impl->header;
}

} // namespace dbase
