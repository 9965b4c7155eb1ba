#include "check/CheckDlg.h"

#include "check/TaxFileCheck.h"
#include "core/Messages.h"
#include "widgets/FormBuilder.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace check {

namespace {

// Below the dialog the findings are about, else above, right or left of it, so that both stay
// in sight; where none has room, in the taller strip above or below, made lower to fit; never
// wider than the screen.
// More rows than a window can usefully list are left to 4vt-check.
constexpr qsizetype maxRows = 1000;

// `frame` is what the window's frame adds to its size: estimated until the window manager has
// framed the window, then the real one.
void placeBeside(QWidget* window, const QRect& beside, QSize frame)
{
    const QScreen* screen = QGuiApplication::screenAt(beside.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    // No wider than the screen.
    if (window->width() + frame.width() > room.width())
        window->resize(room.width() - frame.width(), window->height());
    const QSize size = window->size() + frame;
    const int gap = 8;
    const int below = room.bottom() - beside.bottom() - gap;
    const int above = beside.top() - gap - room.top();
    QPoint at(beside.center().x() - size.width() / 2, beside.bottom() + gap);
    if (size.height() > below) {
        if (size.height() <= above) {
            at.setY(beside.top() - gap - size.height());
        } else if (beside.right() + gap + size.width() <= room.right()) {
            at = QPoint(beside.right() + gap, beside.top());
        } else if (beside.left() - gap - size.width() >= room.left()) {
            at = QPoint(beside.left() - gap - size.width(), beside.top());
        } else if (std::max(below, above) >= 200) {
            const int height = std::max(below, above);
            window->resize(window->width(), height - frame.height());
            at.setY(below >= above ? beside.bottom() + gap : beside.top() - gap - height);
        }
    }
    at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - size.width())));
    at.setY(std::clamp(at.y(), room.top(),
                       std::max(room.top(), room.bottom() - window->height() - frame.height())));
    window->move(at);
}

// Places the window once before it is shown, with a frame as a classic one is, and again as soon
// as the window manager has framed it and its real frame is known, so that the frame too stays
// on the screen.
class BesidePlacer final : public QObject
{
public:
    BesidePlacer(QWidget* window, const QRect& beside)
        : QObject(window), m_window(window), m_beside(beside)
    {
        placeBeside(window, beside, QSize(8, 30));
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (watched == m_window &&
            (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize ||
             type == QEvent::WindowActivate) &&
            m_window->windowHandle()) {
            const QMargins m = m_window->windowHandle()->frameMargins();
            if (!m.isNull()) {
                m_window->removeEventFilter(this);
                placeBeside(m_window, m_beside, QSize(m.left() + m.right(), m.top() + m.bottom()));
                deleteLater();
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* m_window;
    QRect m_beside;
};

} // namespace

const QList<widgets::FormItem>& CheckDlg::formItems()
{
    using widgets::FormItem;
    using widgets::Kind;
    // clang-format off
    static const QList<FormItem> items{
        {Kind::Text,   "SummaryLabel",  {},        {8, 8, 844, 64},    {}, 0, widgets::Wider},
        {Kind::Table,  "FindingsTable", {},        {8, 80, 844, 279},  {}, 1, widgets::WiderAndTaller},
        {Kind::Button, "CloseButton",   "Закрити", {777, 367, 75, 25}, {}, 2,
         widgets::FollowsRight | widgets::FollowsBottom},
    };
    // clang-format on
    return items;
}

CheckDlg::CheckDlg(const QString& fileName, const Findings& findings, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CheckDlg"));
    setWindowTitle(QStringLiteral("Перевірка файлу"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(kDesign);
    // Narrower, and the summary would not fit its four lines.
    setMinimumSize(600, 240);
    const widgets::FormWidgets w = widgets::FormBuilder::build(this, kDesign, formItems());
    SummaryLabel = w.get<QLabel>("SummaryLabel");
    FindingsTable = w.get<QTableWidget>("FindingsTable");
    CloseButton = w.get<QPushButton>("CloseButton");
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::close);

    const qsizetype errors = countOf(findings, Severity::Error);
    const qsizetype warnings = countOf(findings, Severity::Warning);
    QString summary = QStringLiteral("Файл %1 записано так, як відповіла бухгалтерська програма. "
                                     "Перевірка знайшла в ньому помилок: %2, попереджень: %3.")
                          .arg(fileName)
                          .arg(errors)
                          .arg(warnings);
    if (errors > 0)
        summary += QStringLiteral(" Файл з помилками податкова інспекція не прийме: виправте дані "
                                  "в бухгалтерській програмі або в настройках і сформуйте файл "
                                  "знову.");
    const qsizetype shown = fillFindings(findings);
    if (shown < static_cast<qsizetype>(findings.size()))
        summary += QStringLiteral(" Тут показано перші %1; усі перелічить 4vt-check.").arg(shown);
    SummaryLabel->setText(summary);
}

qsizetype CheckDlg::fillFindings(const Findings& findings)
{
    FindingsTable->setColumnCount(5);
    FindingsTable->setHorizontalHeaderLabels({QStringLiteral("Вид"), QStringLiteral("Рядок"),
                                              QStringLiteral("Ідент. номер"),
                                              QStringLiteral("Поле"), QStringLiteral("Що не так")});
    FindingsTable->verticalHeader()->hide();
    FindingsTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FindingsTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    FindingsTable->setAlternatingRowColors(true);
    FindingsTable->setShowGrid(false);
    FindingsTable->setWordWrap(true); // each sentence whole, wrapped in its column
    const QIcon errorIcon = style()->standardIcon(QStyle::SP_MessageBoxCritical);
    const QIcon warningIcon = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    const qsizetype shown = std::min<qsizetype>(static_cast<qsizetype>(findings.size()), maxRows);
    FindingsTable->setRowCount(static_cast<int>(shown));
    for (int row = 0; row < shown; ++row) {
        const Finding& f = findings[static_cast<std::size_t>(row)];
        const bool error = f.severity == Severity::Error;
        auto cell = [&](int column, const QString& text) {
            auto* item = new QTableWidgetItem(text);
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            FindingsTable->setItem(row, column, item);
            return item;
        };
        cell(0, error ? QStringLiteral("Помилка") : QStringLiteral("Попередження"))
            ->setIcon(error ? errorIcon : warningIcon);
        cell(1, f.line > 0 ? QString::number(f.line) : QStringLiteral("—"))
            ->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        cell(2, f.tin);
        cell(3, f.field);
        cell(4, f.text);
    }
    QHeaderView* header = FindingsTable->horizontalHeader();
    header->setStretchLastSection(true);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FindingsTable->setColumnWidth(0, 122);
    FindingsTable->setColumnWidth(1, 52);
    FindingsTable->setColumnWidth(2, 96);
    FindingsTable->setColumnWidth(3, 70);
    // Rows as high as their wrapped sentences, again whenever the columns change width.
    connect(header, &QHeaderView::sectionResized, FindingsTable,
            [this] { FindingsTable->resizeRowsToContents(); });
    return shown;
}

void CheckDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The short columns grow to show their texts whole in the font the window is shown in.
    for (int column = 0; column < FindingsTable->columnCount() - 1; ++column) {
        const int designed = FindingsTable->columnWidth(column);
        FindingsTable->resizeColumnToContents(column);
        if (FindingsTable->columnWidth(column) < designed)
            FindingsTable->setColumnWidth(column, designed);
    }
    FindingsTable->resizeRowsToContents();
}

void CheckDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // The sentences wrap again in the width the window gives them: once the window has its new
    // size, not at every step of a drag.
    if (m_rowFitQueued)
        return;
    m_rowFitQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_rowFitQueued = false;
        FindingsTable->resizeRowsToContents();
    });
}

CheckDlg* showFileCheck(QWidget* parent, const QString& path)
{
    Findings findings;
    if (!core::guarded([&] { findings = checkTaxFile(path); }) || findings.empty())
        return nullptr;
    auto* dlg = new CheckDlg(QFileInfo(path).fileName(), findings, parent);
    if (parent)
        new BesidePlacer(dlg, parent->window()->frameGeometry());
    dlg->show();
    return dlg;
}

} // namespace check
