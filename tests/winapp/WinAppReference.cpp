// winapp-reference OUTDIR: what the Linux program makes of the demo books on a Ukrainian desktop
// (the accounting program's numbers in its format), for the Windows program's stage to compare
// against. Into OUTDIR it writes
//   books.tsv       every item a generation run asks and the demo books' answer, Windows-1251,
//                   "item<TAB>answer" a line (the table fake-buh.exe serves);
//   DA071401.3      the tax file of that run (the report dialog's initial choices);
//   4vt.pdf         the printed form over that file, as "Зберегти у PDF" writes it;
//   demo.reg        the demo firm's settings as the registry's value file (UTF-16, for regedit);
//   demo.tsv        the same 50 stored fields, "name<TAB>text" in UTF-8;
//   defaults.tsv    the 50 stored fields' texts at a first start, "name<TAB>text" in UTF-8.
#include "core/Cp1251.h"
#include "core/Error.h"
#include "dbase/Table.h"
#include "link/DdeClientConv.h"
#include "link/DdeClientItem.h"
#include "report/PreviewWindow.h"
#include "report/PrintReturn.h"
#include "settings/FieldTable.h"
#include "settings/SettingsSource.h"
#include "support/DefaultTemplates.h"
#include "support/RecordingAsker.h"
#include "taxfile/FileNumberBox.h"
#include "taxfile/GenerationRun.h"
#include "taxformat/TaxFileFields.h"
#include "taxformat/TaxFileName.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

const QString Source = QStringLiteral(FVT_SOURCE_DIR);
const QString Bin = QStringLiteral(FVT_BINARY_DIR "/bin");

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// The initial choices of the report dialog.
taxformat::RunChoices initialChoices()
{
    taxformat::RunChoices choices;
    choices.nperiod = taxfile::FileNumberBox().cleanText();
    choices.zyear = QStringLiteral("1999");
    choices.edit1 = choices.edit2 = QStringLiteral("0");
    return choices;
}

QString generate(const settings::SettingsSource& settings, const QString& dir, QByteArray& books)
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QProcess standin;
    standin.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    standin.start(Bin + "/buh-standin",
                  {"--books", Source + "/demo/books.json", "--locale", "uk_UA"});
    if (!standin.waitForStarted(5000))
        return QStringLiteral("buh-standin did not start");
    ddelink::DdeClientConv conv;
    ddelink::DdeClientItem item(conv);
    QDeadlineTimer deadline(10000);
    while (!ddelink::openLink(conv, item) && !deadline.hasExpired())
        QThread::msleep(20);
    RecordingAsker asker(item);
    dbase::Table table(QStringLiteral("DA"), taxformat::taxFileFields());
    NoProgress progress;
    taxfile::GenerationRun run(settings, asker, table, progress);
    run.setWorkingDirectory(Source + "/demo");
    run.setTempDirectory(dir + '/');
    run.setLinkCheck([&] { return conv.isOpen(); });
    QString failure;
    try {
        run.run(initialChoices());
    } catch (const core::Error& e) {
        failure = e.message();
    }
    conv.CloseLink();
    standin.terminate();
    standin.waitForFinished(5000);
    // The date the run starts with is asked before the first item the recorder sees.
    for (qsizetype i = 0; i < asker.asked.size(); ++i)
        if (!asker.asked[i].isEmpty())
            books.append(core::cp1251::encode(asker.asked[i]) + '\t' +
                         core::cp1251::encode(asker.answers[i]) + '\n');
    books.prepend(core::cp1251::encode(QStringLiteral("РДАТА")) + "\t01102008   \n");
    return failure;
}

QByteArray table(const settings::SettingsSource& settings)
{
    QByteArray out;
    for (const QString& name : settings::FieldTable::storedOrder())
        out += (name + '\t' + settings.text(name).trimmed() + '\n').toUtf8();
    return out;
}

QByteArray regFile(const settings::SettingsSource& settings)
{
    QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                                  "[HKEY_CURRENT_USER\\Software\\KVOR\\4vt\\Options]\r\n");
    for (const QString& name : settings::FieldTable::storedOrder()) {
        QString value = settings.text(name).trimmed();
        value.replace('\\', QStringLiteral("\\\\")).replace('"', QStringLiteral("\\\""));
        text += QStringLiteral("\"%1_Text\"=\"%2\"\r\n").arg(name, value);
    }
    text += QStringLiteral("\r\n");
    QByteArray bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: winapp-reference OUTDIR\n");
        return 2;
    }
    // The bookkeeper's machine: its numbers, and the accounting program's, have a decimal comma.
    QLocale::setDefault(QLocale(QLocale::Ukrainian, QLocale::Ukraine));
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());

    settings::MapSettings defaults;
    for (const settings::FieldDef& def : settings::FieldTable::fields())
        defaults.set(def.name, def.defaultText);
    settings::MapSettings demo = defaults;
    testsupport::putDemoSettings(demo);

    QByteArray books;
    const QString failure = generate(demo, out.path(), books);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "winapp-reference: the run stopped: %s\n", qPrintable(failure));
        return 1;
    }
    if (!writeFile(out.filePath("books.tsv"), books) ||
        !writeFile(out.filePath("demo.reg"), regFile(demo)) ||
        !writeFile(out.filePath("demo.tsv"), table(demo)) ||
        !writeFile(out.filePath("defaults.tsv"), table(defaults)))
        return 1;

    // The printed form: its preview, saved as PDF, then closed.
    QString pdfFailure = QStringLiteral("no preview opened");
    report::setPreviewObserver([&](report::PreviewWindow* preview) {
        QTimer::singleShot(0, preview, [&, preview] {
            try {
                preview->writePdf(out.filePath("4vt.pdf"));
                pdfFailure.clear();
            } catch (const core::Error& e) {
                pdfFailure = e.message();
            }
            preview->close();
        });
    });
    try {
        report::printReturn(demo, initialChoices(), out.path() + '/', taxformat::TaxFileName(),
                            nullptr);
    } catch (const core::Error& e) {
        pdfFailure = e.message();
    }
    if (!pdfFailure.isEmpty()) {
        std::fprintf(stderr, "winapp-reference: no PDF: %s\n", qPrintable(pdfFailure));
        return 1;
    }
    return 0;
}
