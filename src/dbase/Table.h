#pragma once

#include "dbase/FieldCodec.h"

#include <QDate>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace dbase {

// The kinds through which the program reads and writes a field (the field objects' kinds).
enum class DeclaredKind
{
    Float,    // floating-point number; binds to any numeric field
    Smallint, // 16-bit signed whole number; binds to a numeric field without decimals
    Integer,  // 32-bit signed whole number; binds to a numeric field without decimals
    Text,     // binds to a C field of exactly the declared width
    Date,     // binds to a D field
};

struct FieldDecl
{
    QString name;
    DeclaredKind kind;
    int width = 0; // Text only: the width the template must have
};

// A dBase table object: a name (used in binding messages, "DA: Field 'X' not found"), declared
// fields bound by name when the file is opened, and the operations the tax file needs. Every
// failure throws core::Error with the platform's English message.
class Table
{
public:
    explicit Table(QString name, std::vector<FieldDecl> fields);
    ~Table(); // closes
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const QString& name() const;

    // The date stamped into the header as the last update; today's by default.
    void setClock(std::function<QDate()> today);

    // Removes every record of the closed table file dir + fileName (any extension), keeping its
    // header and descriptors.
    void emptyTable(const QString& dir, const QString& fileName);
    // The same for the table file `path` that the caller holds open for reading and writing,
    // through that descriptor and never by a name: the table is then the very file the caller
    // created.
    // `headerFrom`, when given, is the file the header was copied from, which messages about the
    // header name.
    void emptyTable(QFile& file, const QString& path, const QString& headerFrom = {});

    enum class OpenMode
    {
        ReadWrite, // for reading and appending; a file that grants no writing is read only
        ReadOnly,  // never asks for write access
    };
    // Opens the existing file dir + fileName (never creating one) and binds the declared fields.
    void open(const QString& dir, const QString& fileName, OpenMode mode = OpenMode::ReadWrite);
    // The same for a path given as the system's bytes, so that a name in another encoding than
    // the system's opens all the same.
    void open(const QByteArray& nativePath, OpenMode mode);
    // Opens, for reading and writing, the table file the caller holds open: the table keeps a
    // descriptor of its own on that same file (on Windows it opens the file's name again).
    void open(QFile& file, const QString& path);
    bool isOpen() const;
    // Stores nothing pending; makes the header's record count and date current; closes the file.
    void close();

    // Appending: starts a new blank record; assign by field name; post stores it. A record that
    // is not posted is never stored.
    void append();
    void setFloat(const QString& field, double value);
    void setInt(const QString& field, std::int64_t value);
    void setText(const QString& field, const QString& value); // Windows-1251, cut to the width
    void setDate(const QString& field, const QDate& value);   // a null date stores blanks
    void post();
    void cancel();

    // Reading from the first stored record on.
    void first();
    bool eof() const;
    void next();
    double asFloat(const QString& field) const; // an empty numeric field reads 0
    QString asText(const QString& field) const; // trailing blanks removed
    QDate asDate(const QString& field) const;   // null when blank
    // A numeric field's value exactly as stored, to the last decimal; nullopt when its digits
    // do not fit 64 bits.
    std::optional<codec::Decimal> asDecimal(const QString& field) const;
    int recordCount() const;
    // The names of the open file's fields, in their order (declared or not).
    QStringList fieldNames() const;
    // The open file's fields as its header describes them, in their order.
    const std::vector<DbfField>& fields() const;
    // The open file's header as read.
    const DbfHeader& header() const;

private:
    void bindOpened(); // reads the open file's header and binds the declared fields

    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace dbase
