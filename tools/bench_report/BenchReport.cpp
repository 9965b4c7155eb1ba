// bench-report: what the band engine costs on a large tax file.
//
//     bench-report                      the whole comparison, 1 000 and 10 000 employees
//     bench-report --pdf FILE [N]       the form of N employees (default 40) as FILE, and stop
//     BENCH_LAYOUT_ONLY=1 bench-report --case engine-pdf N
//                                       the time of opening the file and the layout alone
//
// Every case runs in a child process of its own, so that its peak memory is its own; each is
// timed by the clock and by the processor time it used (best of three runs):
//   engine-pdf   open the tax file, lay the form out, paint every page into a PDF writer;
//   raw-pdf      paint the same texts, fills and frames at the same places into a PDF writer
//                with QPainter alone (the positions taken from a layout made beforehand,
//                outside the timing);
//   engine-view / raw-view the same onto the preview's kind of device: each page in turn onto
//                one screen-resolution image, as the preview paints the page it shows.

#include "bands/ReportFont.h"
#include "bands/ReportLayout.h"
#include "bands/ReportPainter.h"
#include "bench_support/BenchTaxFile.h"
#include "core/Error.h"
#include "report/ReportFill.h"
#include "report/Zvit1Dlg.h"
#include "settings/SettingsSource.h"
#include "taxformat/TaxFileFields.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <vector>

namespace {

const QString TaxName = QStringLiteral("DA071401.3");

void writeTaxFile(const QString& dir, int employees)
{
    bench::BenchTaxFile file(QStringLiteral(FVT_SOURCE_DIR "/demo/DA.DBF"), dir, TaxName);
    file.addEmployees(employees);
    file.finish();
}

settings::MapSettings demoSettings()
{
    settings::MapSettings s;
    s.set(QStringLiteral("Edrpou1"), QStringLiteral("12345678"));
    s.set(QStringLiteral("NameFirm"), QStringLiteral("ТОВ «Зоря»"));
    s.set(QStringLiteral("NamePodat"), QStringLiteral("ДПІ у Шевченківському районі м. Києва"));
    s.set(QStringLiteral("codpp1"), QStringLiteral("02345678"));
    s.set(QStringLiteral("codk1"), QStringLiteral("1234567890"));
    s.set(QStringLiteral("codb1"), QStringLiteral("2345678901"));
    s.set(QStringLiteral("NameBoss"), QStringLiteral("Петренко"));
    s.set(QStringLiteral("NameShief"), QStringLiteral("Іваненко"));
    s.set(QStringLiteral("TellBoss"), QStringLiteral("2-34-56"));
    s.set(QStringLiteral("TellShief"), QStringLiteral("2-34-57"));
    return s;
}

taxformat::RunChoices demoChoices()
{
    taxformat::RunChoices c;
    c.zyear = QStringLiteral("1999");
    c.edit1 = QStringLiteral("3");
    c.edit2 = QStringLiteral("2");
    return c;
}

// Every painting primitive of a page, flattened: what a hand-written report would draw.
struct RawItem
{
    QRectF rect; // mm
    QString text;
    double size;
    bool bold, centred, fixed, box, fill, clip;
    int stretch;
};

std::vector<std::vector<RawItem>> flatten(const bands::ReportLayout& layout)
{
    std::vector<std::vector<RawItem>> pages(static_cast<std::size_t>(layout.pageCount()));
    for (int p = 0; p < layout.pageCount(); ++p) {
        for (const bands::PlacedBand& b : layout.page(p).bands) {
            for (const bands::PlacedItem& i : b.items) {
                const bands::ReportItem& d = *i.item;
                pages[std::size_t(p)].push_back({i.rect, i.text, d.fontSize, d.bold, d.centred,
                                                 !d.autoSize, d.box, !d.transparent, i.clip,
                                                 i.stretch < 1 ? int(i.stretch * 100) : 100});
            }
        }
    }
    return pages;
}

void paintRaw(const std::vector<RawItem>& items, QPainter& painter)
{
    const double s = painter.device()->logicalDpiX() / 25.4;
    const double w = s * 25.4 / 72;
    painter.fillRect(QRectF(0, 0, 210 * s, 297 * s), Qt::white);
    QPen framePen(Qt::black);
    framePen.setWidthF(w);
    painter.setPen(Qt::black);
    QFont font;
    for (const RawItem& i : items) {
        const QRectF r(i.rect.x() * s, i.rect.y() * s, i.rect.width() * s, i.rect.height() * s);
        if (i.fill)
            painter.fillRect(r, Qt::white);
        if (!i.text.isEmpty()) {
            if (font.pointSizeF() != i.size || font.bold() != i.bold ||
                font.stretch() != i.stretch) {
                font = bands::reportFont(i.size, i.bold);
                font.setStretch(i.stretch);
                painter.setFont(font);
            }
            painter.setPen(Qt::black);
            if (i.clip)
                painter.setClipRect(r);
            painter.drawText(i.box ? r.adjusted(w, 0, -w, 0) : r,
                             Qt::AlignTop | (i.centred ? Qt::AlignHCenter : Qt::AlignLeft) |
                                 (i.fixed ? Qt::TextWordWrap : 0) | Qt::TextDontClip,
                             i.text);
            if (i.clip)
                painter.setClipping(false);
        }
        if (i.box) {
            painter.setPen(framePen);
            painter.drawRect(r.adjusted(w / 2, w / 2, -w / 2, -w / 2));
        }
    }
}

void setUpPdf(QPdfWriter& w)
{
    w.setResolution(1200);
    w.setPageSize(QPageSize(QPageSize::A4));
    w.setPageMargins(QMarginsF(0, 0, 0, 0));
}

// Processor time of this process so far, in ms: steadier than the clock on a busy machine.
double cpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

long peakKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// One case in this process; prints "<ms> <peak KB> <pages>".
int runCase(const QString& kind, int employees)
{
    QTemporaryDir dir;
    writeTaxFile(dir.path(), employees);
    const settings::MapSettings settings = demoSettings();
    const bool engine = kind.startsWith(QLatin1String("engine"));
    const bool pdf = kind.endsWith(QLatin1String("pdf"));

    // The raw cases get their positions before the clock starts.
    std::vector<std::vector<RawItem>> raw;
    if (!engine) {
        report::Zvit1Dlg form;
        form.openTable(dir.path() + '/', TaxName);
        report::fillReport(form.QuickRep1, settings, demoChoices());
        raw = flatten(bands::ReportLayout(form.QuickRep1, form.source()));
    }
    const long before = peakKb();

    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuMs();
    int pages = 0;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    // The preview's kind of device: a screen-resolution image of the sheet, painted page by page.
    QImage screen(794, 1123, QImage::Format_ARGB32_Premultiplied);
    if (engine) {
        report::Zvit1Dlg form;
        form.openTable(dir.path() + '/', TaxName);
        report::fillReport(form.QuickRep1, settings, demoChoices());
        const bands::ReportLayout layout(form.QuickRep1, form.source());
        const bands::ReportPainter painter(layout);
        pages = layout.pageCount();
        if (qEnvironmentVariableIsSet("BENCH_LAYOUT_ONLY")) {
            std::printf("layout %lld ms\n", static_cast<long long>(timer.elapsed()));
            return 0;
        }
        if (pdf) {
            QPdfWriter w(&out);
            setUpPdf(w);
            painter.paintPages(w, 1, pages);
        } else {
            for (int p = 0; p < pages; ++p) {
                QPainter ptr(&screen);
                painter.paintPage(p, ptr);
            }
        }
    } else {
        pages = int(raw.size());
        if (pdf) {
            QPdfWriter w(&out);
            setUpPdf(w);
            QPainter ptr(&w);
            for (std::size_t p = 0; p < raw.size(); ++p) {
                if (p > 0)
                    w.newPage();
                paintRaw(raw[p], ptr);
            }
        } else {
            for (std::size_t p = 0; p < raw.size(); ++p) {
                QPainter ptr(&screen);
                paintRaw(raw[p], ptr);
            }
        }
    }
    const qint64 ms = timer.elapsed();
    std::printf("%lld %ld %d %ld %.0f\n", static_cast<long long>(ms), peakKb(), pages, before,
                cpuMs() - cpuStart);
    return 0;
}

struct Figures
{
    double ms = 0;
    double cpu = 0;
    long peakKb = 0;
    int pages = 0;
};

Figures child(const QString& self, const QString& kind, int employees)
{
    // The best of three runs, against noise from the other programs on the machine.
    Figures best;
    for (int run = 0; run < 3; ++run) {
        QProcess p;
        p.start(self, {QStringLiteral("--case"), kind, QString::number(employees)});
        p.waitForFinished(-1);
        const QList<QByteArray> f = p.readAllStandardOutput().simplified().split(' ');
        if (p.exitCode() != 0 || f.size() < 3) {
            std::fprintf(stderr, "bench-report: case %s failed\n", qPrintable(kind));
            std::exit(1);
        }
        const double ms = f[0].toDouble();
        if (run == 0 || ms < best.ms)
            best.ms = ms;
        const double cpu = f.value(4).toDouble();
        if (run == 0 || cpu < best.cpu)
            best.cpu = cpu;
        best.peakKb = std::max(best.peakKb, f[1].toLong());
        best.pages = f[2].toInt();
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args.size() >= 4 && args[1] == QLatin1String("--case"))
            return runCase(args[2], args[3].toInt());
        if (args.size() >= 3 && args[1] == QLatin1String("--pdf")) {
            QTemporaryDir dir;
            writeTaxFile(dir.path(), args.size() > 3 ? args[3].toInt() : 40);
            report::Zvit1Dlg form;
            form.openTable(dir.path() + '/', TaxName);
            report::fillReport(form.QuickRep1, demoSettings(), demoChoices());
            const bands::ReportLayout layout(form.QuickRep1, form.source());
            QPdfWriter w(args[2]);
            setUpPdf(w);
            return bands::ReportPainter(layout).paintPages(w, 1, layout.pageCount()) ==
                           bands::ReportPainter::Outcome::Painted
                       ? 0
                       : 1;
        }
    } catch (const core::Error& e) {
        std::fprintf(stderr, "bench-report: %s\n", qPrintable(e.message()));
        return 1;
    }

    const QString self = QCoreApplication::applicationFilePath();
    std::printf("%-6s %6s %6s %10s %8s %6s %11s %9s %6s %8s\n", "device", "empl.", "pages",
                "engine ms", "raw ms", "ratio", "engine cpu", "raw cpu", "ratio", "peak MB");
    for (const char* device : {"pdf", "view"}) {
        for (int employees : {1000, 10000}) {
            const Figures e = child(self, QStringLiteral("engine-") + device, employees);
            const Figures r = child(self, QStringLiteral("raw-") + device, employees);
            std::printf("%-6s %6d %6d %10.0f %8.0f %6.2f %11.0f %9.0f %6.2f %8.1f\n", device,
                        employees, e.pages, e.ms, r.ms, r.ms > 0 ? e.ms / r.ms : 0.0, e.cpu, r.cpu,
                        r.cpu > 0 ? e.cpu / r.cpu : 0.0, e.peakKb / 1024.0);
        }
    }
    return 0;
}
