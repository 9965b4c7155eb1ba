#pragma once

#include "dbase/DbfHeader.h"

#include <QByteArray>
#include <QString>

namespace dbase {

// Where a bad value sits, for messages of the reader: the file and the record number (from 1).
QString recordContext(const QString& fileName, qint64 index);

// Reads a whole table file held in memory exactly as the table engine reads one from disk: the
// header, then every record and every field through its type's parser. Returns the number of
// records not marked deleted. Any flaw gives core::Error naming `fileName`; nothing the file
// claims is believed before it has been checked against the buffer's size.
qint64 scanDbfImage(const QByteArray& image, const QString& fileName);

} // namespace dbase
