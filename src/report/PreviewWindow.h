#pragma once

#include <QPageLayout>
#include <QPrinter>
#include <QString>
#include <QWidget>

class QAction;
class QLabel;
class QToolBar;

namespace bands {
class ReportLayout;
}

namespace report {

class PageView;

// The printer choices of one preview, kept from one printer setup to the next.
struct PrintChoices
{
    QString printerName; // empty: the system's default printer
    QString outputFileName;
    int copies = 1;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QPrinter::PrintRange range = QPrinter::AllPages;
    int fromPage = 0;
    int toPage = 0;

    void applyTo(QPrinter& printer) const;
    void takeFrom(const QPrinter& printer);
};

// The preview of a laid-out report: zoom, movement between pages, printer setup, printing and
// saving to PDF. Paints pages from the layout, which must outlive the window. A child window of
// its owner: it closes when the owner is hidden. Emits closed() once, when it is closed.
class PreviewWindow : public QWidget
{
    Q_OBJECT

public:
    PreviewWindow(const bands::ReportLayout& layout, const QString& documentName,
                  QWidget* owner = nullptr);
    ~PreviewWindow() override;

    int pageCount() const;
    int currentPage() const;
    const bands::ReportLayout& layout() const { return m_layout; }
    const PrintChoices& printChoices() const { return m_choices; }
    void setPrintChoices(const PrintChoices& choices) { m_choices = choices; }

    void zoomWholePage();
    void zoomActualSize();
    void zoomPageWidth();
    void zoomIn();
    void zoomOut();
    void firstPage();
    void previousPage();
    void nextPage();
    void lastPage();
    // The print dialog, preset to the kept choices; confirmed choices are kept.
    void printerSetup();
    // Prints with the kept choices, with a progress window. Failures are shown, not thrown;
    // where no printer is installed, the message points to saving as PDF. A print to a file
    // says where the file went.
    void print();
    // Asks where to save and saves the same pages as printing as PDF.
    void saveToPdf();
    // Writes every page as a PDF/A-1b file at path, its fonts embedded, the report's name as its
    // title; throws core::Error when it cannot.
    void writePdf(const QString& path) const;
    // Where the save dialog starts: the user's documents folder and the report's name + ".pdf".
    QString proposedPdfPath() const;

    QToolBar* toolBar() const { return m_toolBar; }
    PageView* view() const { return m_view; }
    QLabel* pageLabel() const { return m_pageLabel; }

    // What the printer setup's confirming button reads: it keeps the choice, it prints nothing.
    static QString setupConfirmText();
    static QString noPrinterText();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void takeOrdinal();
    // The toolbar's commands and the keys, each with its handler.
    void addCommands();
    void closePreview();
    void updatePageLabel();
    void printTo(QPrinter& printer, int first, int last);

    const bands::ReportLayout& m_layout;
    QString m_documentName;
    PrintChoices m_choices;
    QToolBar* m_toolBar = nullptr;
    PageView* m_view = nullptr;
    QLabel* m_pageLabel = nullptr;
    bool m_closed = false;
    int m_ordinal = 1; // among the open previews of the same report, for the caption
};

} // namespace report
