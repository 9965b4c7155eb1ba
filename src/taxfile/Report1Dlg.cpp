#include "taxfile/Report1Dlg.h"

#include "core/Messages.h"
#include "dbase/Table.h"
#include "taxfile/CopyToMedium.h"
#include "taxfile/FileNumberBox.h"
#include "taxfile/Gauge.h"
#include "taxfile/InputBlocker.h"
#include "taxfile/RadioGroup.h"
#include "taxformat/TaxFileFields.h"
#include "taxformat/TaxFileName.h"
#include "widgets/Cp1251Validator.h"
#include "widgets/FormFont.h"
#include "widgets/OuterSize.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>

#include <algorithm>

namespace taxfile {

namespace {

constexpr int OuterWidth = 448;
constexpr int OuterHeight = 323;
// The client area under a classic dialog frame, until the window system tells the real one.
constexpr int ClientWidth = 440;
constexpr int ClientHeight = 296;

// The form was laid out for a narrow font; where the system's sans font is wider, the text is
// narrowed just enough to fit the room the form gives it instead of running under the controls.
QFont fitted(QFont font, const QString& text, int room)
{
    const int width = QFontMetrics(font).horizontalAdvance(text);
    if (width > room && width > 0)
        font.setStretch(std::max(50, room * 100 / width));
    return font;
}

QLabel* label(const QString& text, const char* name, int x, int y, QWidget* parent, int room = 0)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    if (room > 0)
        l->setFont(fitted(parent->font(), text, room));
    l->adjustSize();
    l->move(x, y);
    return l;
}

QPushButton* button(const QString& text, const char* name, int x, int width, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setFont(fitted(parent->font(), text, width - 8)); // less the frame and a margin
    b->setGeometry(x, 264, width, 25);
    return b;
}

void acceptOnlyCp1251(QLineEdit* edit)
{
    edit->setValidator(new widgets::Cp1251Validator(edit));
}

} // namespace

Report1Dlg::Report1Dlg(const settings::SettingsSource& settings, ddelink::ItemAsker& asker,
                       QWidget* parent)
    : QDialog(parent), m_settings(settings), m_asker(asker),
      DA(std::make_unique<dbase::Table>(QStringLiteral("DA"), taxFileFields())),
      m_tempDir(tempDirectory()), m_fileName(TaxFileName())
{
    setObjectName(QStringLiteral("Report1Dlg"));
    setWindowTitle(QStringLiteral("Формування звітів"));
    setModal(true);
    setFixedSize(ClientWidth, ClientHeight);
    widgets::keepOuterSize(this, QSize(OuterWidth, OuterHeight));

    QFont formFont = widgets::msSansSerif();
    formFont.setPointSize(8);
    setFont(formFont);
    QFont boldFont = formFont;
    boldFont.setPixelSize(13);
    boldFont.setBold(true);

    Label1 =
        label(QStringLiteral("Номер файла за звітний період"), "Label1", 8, 8, this, 176 - 8 - 4);
    Nperiod = new FileNumberBox(this);
    Nperiod->setObjectName(QStringLiteral("Nperiod"));
    Nperiod->setFont(boldFont);
    Nperiod->setGeometry(176, 0, 41, 26);

    Label2 = label(QStringLiteral("Звітний рік"), "Label2", 8, 32, this, 176 - 8 - 4);
    ZYear = new QComboBox(this);
    ZYear->setObjectName(QStringLiteral("ZYear"));
    ZYear->setEditable(true);
    ZYear->setInsertPolicy(QComboBox::NoInsert);
    for (int year = 1999; year <= 2009; ++year)
        ZYear->addItem(QString::number(year));
    ZYear->setCurrentIndex(0);
    ZYear->lineEdit()->setMaxLength(4);
    acceptOnlyCp1251(ZYear->lineEdit());
    // The edit part of the box, less its arrow and frames.
    ZYear->setFont(fitted(boldFont, QStringLiteral("2009"), 57 - 28));
    ZYear->setGeometry(176, 32, 57, 24);

    WUser =
        new RadioGroup(QStringLiteral("Вид  особи"),
                       {QStringLiteral("Юридична особа"), QStringLiteral("Фізична особа")}, this);
    WUser->setObjectName(QStringLiteral("WUser"));
    WUser->place(QRect(248, 0, 185, 73));
    WUser->setItemIndex(0);

    Label3 = label(QStringLiteral("Працювало у штаті"), "Label3", 8, 96, this, 168 - 8 - 4);
    Edit1 = new QLineEdit(QStringLiteral("0"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(168, 96, 41, 21);
    acceptOnlyCp1251(Edit1);

    Kwartal = new RadioGroup(QStringLiteral("Звітній квартал"),
                             {QStringLiteral(" І  Квартал"), QStringLiteral(" ІІ Квартал"),
                              QStringLiteral("ІІІ Квартал"), QStringLiteral("IV Квартал")},
                             this);
    Kwartal->setObjectName(QStringLiteral("Kwartal"));
    Kwartal->place(QRect(248, 80, 185, 105));
    Kwartal->setItemIndex(2);

    Label4 =
        label(QStringLiteral("Працювало за сумісництвом"), "Label4", 8, 144, this, 168 - 8 - 4);
    Edit2 = new QLineEdit(QStringLiteral("0"), this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(168, 136, 41, 21);
    acceptOnlyCp1251(Edit2);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Panel1->setGeometry(8, 192, 425, 65);
    Label5 = label(QStringLiteral("Формування файла для податкової інспекції"), "Label5", 120, 8,
                   Panel1);
    Gauge1 = new Gauge(Panel1);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setGeometry(8, 32, 409, 28);
    Panel1->hide();

    Button1 = button(QStringLiteral("Сформувати файл"), "Button1", 8, 105, this);
    Button2 = button(QStringLiteral("Сформувати звіт"), "Button2", 120, 105, this);
    Button4 = button(QStringLiteral("Вигрузити файл"), "Button4", 232, 105, this);
    Button3 = button(QStringLiteral("Відмінити"), "Button3", 352, 75, this);
    Button2->setEnabled(false);
    Button4->setEnabled(false);

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });

    QList<QWidget*> order{Button1, Nperiod, ZYear};
    for (QRadioButton* b : WUser->buttons())
        order.append(b);
    order << Panel1 << Button2 << Button3 << Edit1 << Edit2;
    for (QRadioButton* b : Kwartal->buttons())
        order.append(b);
    order << Button4;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    Button1->setFocus();
}

Report1Dlg::~Report1Dlg() = default;

RunChoices Report1Dlg::choices() const
{
    RunChoices c;
    c.nperiod = Nperiod->cleanText();
    c.zyear = ZYear->currentText();
    c.wuser = WUser->itemIndex();
    c.kwartal = Kwartal->itemIndex();
    c.edit1 = Edit1->text();
    c.edit2 = Edit2->text();
    return c;
}

void Report1Dlg::Button1Click()
{
    if (m_running)
        return;
    m_running = true;
    GenerationRun run(m_settings, m_asker, *DA, *this);
    run.setWorkingDirectory(m_workDir);
    run.setTempDirectory(m_tempDir);
    run.setLinkCheck(m_linkAlive);
    run.setLinkReopen(m_reopenLink);
    GenerationRun::Result result;
    core::guarded([&] {
        // Gone before a failure is shown, so that its box takes the keys and the clicks.
        InputBlocker blocker;
        result = run.run(choices());
    });
    m_running = false;
    if (result.outcome == GenerationRun::Outcome::Finished) {
        m_fileName = result.fileName;
        Button2->setEnabled(true);
        Button1->setEnabled(false);
        Button4->setEnabled(true);
        // The file as written is checked; what is found is listed beside this dialog.
        if (m_fileCheck)
            m_fileCheck(m_tempDir + m_fileName);
    }
}

void Report1Dlg::Button2Click()
{
    if (m_print)
        core::guarded([&] { m_print(choices(), m_tempDir, m_fileName); });
}

void Report1Dlg::Button3Click()
{
    if (!m_running)
        QDialog::reject();
}

void Report1Dlg::Button4Click()
{
    if (m_running)
        return;
    core::guarded([&] { copyToMedium(m_settings, m_tempDir, m_fileName); });
}

void Report1Dlg::reject()
{
    // Escape and the window's close button must not pull the dialog away from a running run.
    if (!m_running)
        QDialog::reject();
}

void Report1Dlg::closeEvent(QCloseEvent* event)
{
    if (m_running)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void Report1Dlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_placed)
        return;
    m_placed = true;
    if (QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
}

void Report1Dlg::setPanelVisible(bool visible)
{
    Panel1->setVisible(visible);
    // The run keeps the event loop busy: paint the panel now, not when the run is over.
    if (visible)
        Panel1->repaint();
}

void Report1Dlg::setGaugeRange(int minimum, int maximum)
{
    Gauge1->setMinValue(minimum);
    Gauge1->setMaxValue(maximum);
}

void Report1Dlg::setGaugePosition(int position)
{
    Gauge1->setProgress(position);
    // Once per employee the windows repaint what was uncovered; input is dropped meanwhile.
    if (m_running)
        InputBlocker::pump();
}

} // namespace taxfile
