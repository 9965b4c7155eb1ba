#include "report/PreviewWindow.h"

#include "bands/ReportLayout.h"
#include "bands/ReportPainter.h"
#include "core/Error.h"
#include "core/Messages.h"
#include "core/OwnFiles.h"
#include "core/SafeWrite.h"
#include "report/PageView.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace report {

namespace {

// The layout places everything from the sheet's corner, so the device must too.
void setUpSheet(QPagedPaintDevice& device)
{
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

void setUpSheet(QPrinter& printer)
{
    printer.setFullPage(true);
    setUpSheet(static_cast<QPagedPaintDevice&>(printer));
}

// The previews open now, so that two of the same report get captions that tell them apart.
QList<const PreviewWindow*>& openPreviews()
{
    static QList<const PreviewWindow*> previews;
    return previews;
}

constexpr char kCreator[] = "4vt";

} // namespace

void PrintChoices::applyTo(QPrinter& printer) const
{
    if (!printerName.isEmpty())
        printer.setPrinterName(printerName);
    if (!outputFileName.isEmpty())
        printer.setOutputFileName(outputFileName);
    printer.setCopyCount(copies);
    printer.setPageOrientation(orientation);
    printer.setPrintRange(range);
    printer.setFromTo(fromPage, toPage);
}

void PrintChoices::takeFrom(const QPrinter& printer)
{
    printerName = printer.printerName();
    outputFileName = printer.outputFileName();
    copies = std::max(1, printer.copyCount());
    orientation = printer.pageLayout().orientation();
    range = printer.printRange();
    fromPage = printer.fromPage();
    toPage = printer.toPage();
}

PreviewWindow::PreviewWindow(const bands::ReportLayout& layout, const QString& documentName,
                             QWidget* owner)
    : QWidget(owner, Qt::Window), m_layout(layout), m_documentName(documentName)
{
    setObjectName(QStringLiteral("PreviewWindow"));
    takeOrdinal();
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_choices.printerName = QPrinterInfo::defaultPrinterName();
    m_choices.fromPage = 1;
    m_choices.toPage = pageCount();

    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_view = new PageView(layout, this);
    m_view->setObjectName(QStringLiteral("View"));
    connect(m_view, &PageView::currentPageChanged, this, [this] { updatePageLabel(); });
    addCommands();

    // Tab reaches the toolbar's commands, not only the mouse.
    for (QToolButton* b : m_toolBar->findChildren<QToolButton*>())
        b->setFocusPolicy(Qt::TabFocus);
    m_view->setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_view);

    // The toolbar as high as the style makes it, the page below it taking the rest.
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    box->addWidget(m_toolBar);
    box->addWidget(m_view, 1);

    if (owner)
        owner->installEventFilter(this);
    updatePageLabel();
}

void PreviewWindow::takeOrdinal()
{
    // The first free number among the open previews of this report; the first goes without one.
    QList<int> taken;
    for (const PreviewWindow* other : openPreviews()) {
        if (other->m_documentName == m_documentName)
            taken.append(other->m_ordinal);
    }
    while (taken.contains(m_ordinal))
        ++m_ordinal;
    openPreviews().append(this);
    setWindowTitle(
        m_ordinal == 1
            ? QStringLiteral("Перегляд звіту %1").arg(m_documentName)
            : QStringLiteral("Перегляд звіту %1 (%2)").arg(m_documentName).arg(m_ordinal));
}

void PreviewWindow::addCommands()
{
    struct Command
    {
        const char* name;
        QString text; // empty: a key with no button (zoom from the keyboard, as viewers have it)
        QString tip;
        void (PreviewWindow::*slot)();
        QList<QKeySequence> keys;
    };
    const auto separator = [] { return Command{nullptr, {}, {}, nullptr, {}}; };
    // clang-format off
    const Command commands[] = {
        {"ZoomWholePage", "Уся сторінка", "Показати всю сторінку", &PreviewWindow::zoomWholePage, {}},
        {"ZoomActualSize", "100 %", "Показати в натуральну величину", &PreviewWindow::zoomActualSize, {}},
        {"ZoomPageWidth", "За шириною", "Показати на всю ширину сторінки", &PreviewWindow::zoomPageWidth, {}},
        separator(),
        {"FirstPage", "|<", "Перша сторінка", &PreviewWindow::firstPage, {}},
        {"PreviousPage", "<", "Попередня сторінка", &PreviewWindow::previousPage, {}},
        {"PageLabel", {}, "Поточна сторінка звіту", nullptr, {}},
        {"NextPage", ">", "Наступна сторінка", &PreviewWindow::nextPage, {}},
        {"LastPage", ">|", "Остання сторінка", &PreviewWindow::lastPage, {}},
        separator(),
        {"PrinterSetup", "Принтер...", "Налаштування принтера", &PreviewWindow::printerSetup, {}},
        {"Print", "Друк", "Надрукувати звіт", &PreviewWindow::print, {}},
        {"SavePdf", "Зберегти у PDF", "Зберегти звіт у файл PDF (Ctrl+S)", &PreviewWindow::saveToPdf,
         {QKeySequence(Qt::CTRL | Qt::Key_S)}},
        separator(),
        {"Close", "Закрити", "Закрити перегляд (Esc)", &PreviewWindow::closePreview,
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}},
        // Ctrl+= where plus needs Shift.
        {"ZoomIn", {}, {}, &PreviewWindow::zoomIn,
         {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}},
        {"ZoomOut", {}, {}, &PreviewWindow::zoomOut, {QKeySequence(Qt::CTRL | Qt::Key_Minus)}},
    };
    // clang-format on
    for (const Command& c : commands) {
        if (!c.name) {
            m_toolBar->addSeparator();
        } else if (!c.slot) {
            m_pageLabel = new QLabel(this);
            m_pageLabel->setObjectName(QString::fromLatin1(c.name));
            m_pageLabel->setContentsMargins(8, 0, 8, 0);
            m_toolBar->addWidget(m_pageLabel)->setToolTip(c.tip);
        } else {
            QAction* a = c.text.isEmpty() ? new QAction(this) : m_toolBar->addAction(c.text);
            a->setObjectName(QString::fromLatin1(c.name));
            a->setToolTip(c.tip);
            a->setStatusTip(c.tip);
            a->setShortcuts(c.keys);
            a->setShortcutContext(Qt::WindowShortcut);
            addAction(a);
            connect(a, &QAction::triggered, this, [this, slot = c.slot] { (this->*slot)(); });
        }
    }
}

void PreviewWindow::closePreview()
{
    close();
}

PreviewWindow::~PreviewWindow()
{
    openPreviews().removeAll(this);
}

int PreviewWindow::pageCount() const
{
    return m_layout.pageCount();
}

int PreviewWindow::currentPage() const
{
    return m_view ? m_view->currentPage() : 1;
}

void PreviewWindow::updatePageLabel()
{
    if (m_pageLabel)
        m_pageLabel->setText(
            QStringLiteral("Сторінка %1 з %2").arg(currentPage()).arg(pageCount()));
}

void PreviewWindow::zoomWholePage()
{
    m_view->setZoomMode(PageView::Zoom::WholePage);
}

void PreviewWindow::zoomActualSize()
{
    m_view->setZoomFactor(1.0);
}

void PreviewWindow::zoomPageWidth()
{
    m_view->setZoomMode(PageView::Zoom::PageWidth);
}

void PreviewWindow::zoomIn()
{
    m_view->zoomIn();
}

void PreviewWindow::zoomOut()
{
    m_view->zoomOut();
}

void PreviewWindow::firstPage()
{
    m_view->setCurrentPage(1);
    updatePageLabel();
}

void PreviewWindow::previousPage()
{
    m_view->setCurrentPage(std::max(1, currentPage() - 1));
    updatePageLabel();
}

void PreviewWindow::nextPage()
{
    m_view->setCurrentPage(std::min(pageCount(), currentPage() + 1));
    updatePageLabel();
}

void PreviewWindow::lastPage()
{
    m_view->setCurrentPage(pageCount());
    updatePageLabel();
}

void PreviewWindow::printerSetup()
{
    QPrinter printer(QPrinter::HighResolution);
    setUpSheet(printer);
    m_choices.applyTo(printer);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Налаштування друку"));
    dialog.setMinMax(1, pageCount());
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintShowPageSize);
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
        if (QPushButton* confirm = buttons->button(QDialogButtonBox::Ok))
            confirm->setText(setupConfirmText());
    }
    if (dialog.exec() == QDialog::Accepted)
        m_choices.takeFrom(printer);
}

QString PreviewWindow::setupConfirmText()
{
    return QStringLiteral("OK");
}

QString PreviewWindow::noPrinterText()
{
    return QStringLiteral("На цьому комп'ютері не встановлено жодного принтера. Звіт можна "
                          "зберегти у файл кнопкою «Зберегти у PDF» і надрукувати цей файл "
                          "там, де принтер є");
}

void PreviewWindow::print()
{
    const core::MessageOwner owner(this);
    core::guarded([&] {
        if (m_choices.outputFileName.isEmpty() && QPrinterInfo::availablePrinterNames().isEmpty())
            throw core::Error(noPrinterText());
        QPrinter printer(QPrinter::HighResolution);
        setUpSheet(printer);
        m_choices.applyTo(printer);
        printer.setDocName(m_documentName);
        printer.setCreator(QString::fromLatin1(kCreator));
        int first = 1;
        int last = pageCount();
        if (m_choices.range == QPrinter::PageRange && m_choices.fromPage > 0) {
            first = m_choices.fromPage;
            last = std::min(last, std::max(first, m_choices.toPage));
        } else if (m_choices.range == QPrinter::CurrentPage) {
            first = last = currentPage();
        }
        printTo(printer, first, last);
        if (!printer.outputFileName().isEmpty() && printer.printerState() != QPrinter::Aborted)
            core::messages().showMessage(
                QStringLiteral("Звіт надруковано у файл «%1».")
                    .arg(QDir::toNativeSeparators(
                        QFileInfo(printer.outputFileName()).absoluteFilePath())));
    });
}

void PreviewWindow::printTo(QPrinter& printer, int first, int last)
{
    // Where the print system cannot make copies itself, each copy is painted in turn.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    if (copies > 1)
        printer.setCopyCount(1);
    const int sheets = (last - first + 1) * copies;
    QProgressDialog progress(QStringLiteral("Друк звіту..."), QStringLiteral("Скасувати"), 0,
                             sheets, this);
    progress.setWindowTitle(QStringLiteral("Друк"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    int done = 0;
    const auto outcome =
        bands::ReportPainter(m_layout).paintPages(printer, first, last, copies, [&](int page) {
            progress.setValue(done++);
            progress.setLabelText(QStringLiteral("Друк сторінки %1 з %2").arg(page).arg(last));
            if (!progress.wasCanceled())
                return true;
            printer.abort();
            return false;
        });
    if (outcome == bands::ReportPainter::Outcome::NotStarted) {
        const QString where = printer.outputFileName().isEmpty()
                                  ? printer.printerName()
                                  : QDir::toNativeSeparators(printer.outputFileName());
        throw core::Error(QStringLiteral("Не вдалося розпочати друк на «%1»").arg(where));
    }
    progress.setValue(sheets);
}

QString PreviewWindow::proposedPdfPath() const
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        dir = QDir::homePath();
    return QDir(dir).filePath(m_documentName + QStringLiteral(".pdf"));
}

void PreviewWindow::saveToPdf()
{
    QFileDialog dialog(this, QStringLiteral("Зберегти у PDF"));
    dialog.setObjectName(QStringLiteral("SavePdfDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("Документ PDF (*.pdf)"));
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    const QString proposed = proposedPdfPath();
    dialog.setDirectory(QFileInfo(proposed).absolutePath());
    dialog.selectFile(QFileInfo(proposed).fileName());
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Папка:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Ім'я файла:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Тип файла:"));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Зберегти"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Скасувати"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    const core::MessageOwner owner(this);
    core::guarded([&] { writePdf(path); });
}

void PreviewWindow::writePdf(const QString& path) const
{
    // The form carries every employee's identification number and income: it goes into place as
    // the tax file's copies do, readable by the user only, written beside the chosen name and
    // put there only when whole, never through a link and never over another user's file.
    const QString shown = QDir::toNativeSeparators(path);
    // A link of another user's on the way to the folder (in a shared folder) would take the form
    // into a place of theirs: it is never followed. (One in the file's own place is refused as
    // their file below.)
    const QString link = core::foreignLink(QFileInfo(path).absolutePath());
    if (!link.isEmpty())
        throw core::Error(QStringLiteral("Не вдалося записати файл «%1»: «%2» — посилання іншого "
                                         "користувача")
                              .arg(shown, QDir::toNativeSeparators(link)));
    try {
        core::writeSafely(path, [&](QIODevice& file) {
            QPdfWriter writer(&file);
            // For the archive: PDF/A-1b, its fonts embedded, title and creator in its metadata.
            writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
            writer.setCreator(QString::fromLatin1(kCreator));
            writer.setTitle(m_documentName);
            writer.setResolution(1200);
            setUpSheet(writer);
            if (bands::ReportPainter(m_layout).paintPages(writer, 1, pageCount()) !=
                bands::ReportPainter::Outcome::Painted)
                throw core::Error(QStringLiteral("сторінки не вдалося записати"));
        });
    } catch (const core::Error& e) {
        throw core::Error(
            QStringLiteral("Не вдалося записати файл «%1»: %2").arg(shown, e.message()));
    }
}

void PreviewWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted() && !m_closed) {
        m_closed = true;
        emit closed();
    }
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The owner going away takes its previews with it.
    if (watched == parent() && event->type() == QEvent::Hide && !event->spontaneous() &&
        isVisible())
        close();
    return QWidget::eventFilter(watched, event);
}

} // namespace report
