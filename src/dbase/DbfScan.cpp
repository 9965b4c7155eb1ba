#include "dbase/DbfScan.h"

#include "core/Error.h"
#include "dbase/FieldCodec.h"

namespace dbase {

QString recordContext(const QString& fileName, qint64 index)
{
    return QStringLiteral("File '%1', record %2: ").arg(fileName).arg(index + 1);
}

qint64 scanDbfImage(const QByteArray& image, const QString& fileName)
{
    const DbfHeader header = parseDbfHeader(image, image.size(), fileName);
    const qint64 end = header.recordPosition(header.recordCount);
    checkDbfEnd(header, image.size(), end < image.size() ? image.at(end) : '\0', fileName);
    qint64 live = 0;
    for (qint64 i = 0; i < header.recordCount; ++i) {
        const qint64 at = header.recordPosition(i);
        const QString flagProblem = deletionFlagProblem(image.at(at));
        if (!flagProblem.isEmpty())
            throw core::Error(recordContext(fileName, i) + flagProblem);
        if (image.at(at) == '*')
            continue;
        ++live;
        for (const DbfField& field : header.fields) {
            const QByteArray bytes =
                QByteArray::fromRawData(image.constData() + at + field.offset, field.width);
            try {
                codec::checkValue(field, bytes);
            } catch (const core::Error& e) {
                throw core::Error(recordContext(fileName, i) + e.message());
            }
        }
    }
    return live;
}

} // namespace dbase
