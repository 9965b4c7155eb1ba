#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <vector>

namespace testsupport {

// A word of a PDF as poppler's pdftotext -bbox reads it back, in millimetres from the top-left
// corner of its page.
struct PdfWord
{
    int page = 0; // from 1
    double left = 0, top = 0, right = 0, bottom = 0;
    QString text;
};

struct PdfText
{
    double pageWidth = 0, pageHeight = 0; // mm, of the first page
    std::vector<PdfWord> words;
    QString error; // empty when read
};

inline PdfText readPdfWords(const QString& path)
{
    PdfText result;
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        result.error = QStringLiteral("pdftotext failed: ") + p.errorString() +
                       QString::fromLocal8Bit(p.readAllStandardError());
        return result;
    }
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    constexpr double mm = 25.4 / 72.0;
    static const QRegularExpression page(
        QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\">"));
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
                       "yMax=\"([0-9.]+)\">([^<]*)</word>"));
    int pageNo = 0;
    qsizetype at = 0;
    for (;;) {
        const QRegularExpressionMatch pm = page.match(out, at);
        const qsizetype next = pm.hasMatch() ? pm.capturedStart() : out.size();
        auto wi = word.globalMatch(out.mid(at, next - at));
        while (pageNo > 0 && wi.hasNext()) {
            const QRegularExpressionMatch m = wi.next();
            QString text = m.captured(5);
            text.replace(QStringLiteral("&apos;"), QStringLiteral("'"))
                .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
                .replace(QStringLiteral("&lt;"), QStringLiteral("<"))
                .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
                .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
            result.words.push_back({pageNo, m.captured(1).toDouble() * mm,
                                    m.captured(2).toDouble() * mm, m.captured(3).toDouble() * mm,
                                    m.captured(4).toDouble() * mm, text});
        }
        if (!pm.hasMatch())
            break;
        if (++pageNo == 1) {
            result.pageWidth = pm.captured(1).toDouble() * mm;
            result.pageHeight = pm.captured(2).toDouble() * mm;
        }
        at = pm.capturedEnd();
    }
    return result;
}

// The fonts of a PDF as pdffonts lists them: each line's name and whether it is embedded.
inline std::vector<std::pair<QString, bool>> pdfFonts(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("pdffonts"), {path});
    p.waitForFinished(60000);
    std::vector<std::pair<QString, bool>> fonts;
    const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n');
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringList f = lines[i].simplified().split(' ');
        // name type [type...] encoding emb sub uni object ID
        if (f.size() >= 7)
            fonts.emplace_back(f.front(), f.at(f.size() - 5) == QLatin1String("yes"));
    }
    return fonts;
}

} // namespace testsupport
