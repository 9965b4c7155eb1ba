#include "taxformat/TaxFileName.h"

#include "core/Error.h"

#include <QDir>

namespace taxformat {

namespace {

// The position of the first character that must not appear in a file name piece, or -1.
qsizetype unsafeCharacter(const QString& piece)
{
    static const QString forbidden = QStringLiteral("/\\<>:\"|?*");
    for (qsizetype i = 0; i < piece.size(); ++i) {
        const QChar c = piece[i];
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || forbidden.contains(c))
            return i;
    }
    return -1;
}

QString describe(QChar c)
{
    if (c.unicode() < 0x20 || c.unicode() == 0x7f)
        return QStringLiteral("керуючий символ з кодом %1").arg(c.unicode());
    return QStringLiteral("символ \"%1\"").arg(c);
}

void checkPiece(const QString& piece, const QString& what)
{
    const qsizetype bad = unsafeCharacter(piece);
    if (bad >= 0) {
        throw core::Error(QStringLiteral("Неможливо утворити ім'я файла звіту: %1 \"%2\" містить "
                                         "недопустимий %3")
                              .arg(what, piece, describe(piece[bad])));
    }
    if (piece.contains(QStringLiteral(".."))) {
        throw core::Error(QStringLiteral("Неможливо утворити ім'я файла звіту: %1 \"%2\" містить "
                                         "недопустиму послідовність \"..\"")
                              .arg(what, piece));
    }
}

} // namespace

QString& TaxFileName()
{
    static QString name;
    return name;
}

QString tempDirectory()
{
    QString dir = QDir::tempPath();
    // The system gives no folder at all when the one it is told to use is not there; the run
    // then names that folder rather than writing into the root.
    if (dir.isEmpty())
        dir = QDir::cleanPath(qEnvironmentVariable("TMPDIR"));
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

QString buildTaxFileName(const QString& codRegion, const QString& codPod, const QString& nperiod,
                         int kwartal)
{
    checkPiece(codRegion, QStringLiteral("код області"));
    checkPiece(codPod, QStringLiteral("код податкової інспекції"));
    checkPiece(nperiod, QStringLiteral("номер файла"));
    const QString number = nperiod.size() < 2 ? QStringLiteral("0") + nperiod : nperiod;
    return QStringLiteral("DA") + codRegion + codPod + number + u'.' + QString::number(kwartal + 1);
}

} // namespace taxformat
