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
#include "widgets/FormBuilder.h"
#include "widgets/FormFont.h"
#include "widgets/OuterSize.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>

#include <algorithm>

namespace taxfile {

namespace {

using widgets::FormItem;
using widgets::Kind;

constexpr int OuterWidth = 448;
constexpr int OuterHeight = 323;
// The client area under a classic dialog frame, until the window system tells the real one.
constexpr int ClientWidth = 440;
constexpr int ClientHeight = 296;

constexpr widgets::FontStyle Bold{widgets::FontStyle::Sans, 0, 13, true};

QWidget* makeRadioGroup(const FormItem& item, QWidget* parent, const QStringList& items)
{
    auto* group = new RadioGroup(item.text, items, parent);
    group->place(item.rect);
    return group;
}

} // namespace

const QList<widgets::FormItem>& Report1Dlg::formItems()
{
    // clang-format off
    static const QList<FormItem> items{
        {Kind::Label,    "Label1",  "Номер файла за звітний період", {8, 8, 164, 0}},
        {Kind::Custom,   "Nperiod", {},                              {176, 0, 41, 26},   Bold, 2},
        {Kind::Label,    "Label2",  "Звітний рік",                   {8, 32, 164, 0}},
        {Kind::ComboBox, "ZYear",   {},                              {176, 32, 57, 24},  Bold, 3},
        {Kind::Custom,   "WUser",   "Вид  особи",                    {248, 0, 185, 73},  {},   4},
        {Kind::Label,    "Label3",  "Працювало у штаті",             {8, 96, 156, 0}},
        {Kind::Edit,     "Edit1",   "0",                             {168, 96, 41, 21},  {},   8},
        {Kind::Custom,   "Kwartal", "Звітній квартал",               {248, 80, 185, 105}, {},  10},
        {Kind::Label,    "Label4",  "Працювало за сумісництвом",     {8, 144, 156, 0}},
        {Kind::Edit,     "Edit2",   "0",                             {168, 136, 41, 21}, {},   9},
        {Kind::Panel,    "Panel1",  {},                              {8, 192, 425, 65},  {},   5},
        {Kind::Label,    "Label5",  "Формування файла для податкової інспекції", {120, 8, 0, 0},
         {}, 0, widgets::Fixed, "Panel1"},
        {Kind::Custom,   "Gauge1",  {},                              {8, 32, 409, 28},
         {}, 0, widgets::Fixed, "Panel1"},
        {Kind::Button,   "Button1", "Сформувати файл",               {8, 264, 105, 25},  {},   1},
        {Kind::Button,   "Button2", "Сформувати звіт",               {120, 264, 105, 25}, {},  6},
        {Kind::Button,   "Button4", "Вигрузити файл",                {232, 264, 105, 25}, {},  11},
        {Kind::Button,   "Button3", "Відмінити",                     {352, 264, 75, 25}, {},   7},
    };
    // clang-format on
    return items;
}

Report1Dlg::Report1Dlg(const settings::SettingsSource& settings, ddelink::ItemAsker& asker,
                       QWidget* parent)
    : QDialog(parent), m_settings(settings), m_asker(asker),
      DA(std::make_unique<dbase::Table>(QStringLiteral("DA"), taxformat::taxFileFields())),
      m_tempDir(taxformat::tempDirectory()), m_fileName(taxformat::TaxFileName())
{
    setObjectName(QStringLiteral("Report1Dlg"));
    setWindowTitle(QStringLiteral("Формування звітів"));
    setModal(true);
    setFixedSize(ClientWidth, ClientHeight);
    widgets::keepOuterSize(this, QSize(OuterWidth, OuterHeight));
    QFont formFont = widgets::msSansSerif();
    formFont.setPointSize(8);
    setFont(formFont);

    const QHash<QString, widgets::FormBuilder::Maker> makers{
        {"Nperiod", [](const FormItem&, QWidget* parent) { return new FileNumberBox(parent); }},
        {"WUser",
         [](const FormItem& item, QWidget* parent) {
             return makeRadioGroup(item, parent, {"Юридична особа", "Фізична особа"});
         }},
        {"Kwartal",
         [](const FormItem& item, QWidget* parent) {
             return makeRadioGroup(item, parent,
                                   {" І  Квартал", " ІІ Квартал", "ІІІ Квартал", "IV Квартал"});
         }},
        {"Gauge1", [](const FormItem&, QWidget* parent) { return new Gauge(parent); }},
    };
    const widgets::FormWidgets w = widgets::FormBuilder::build(this, size(), formItems(), makers);
    takeWidgets(w);
    FormCreate();
}

void Report1Dlg::takeWidgets(const widgets::FormWidgets& w)
{
    Label1 = w.get<QLabel>("Label1");
    Nperiod = w.get<FileNumberBox>("Nperiod");
    Label2 = w.get<QLabel>("Label2");
    ZYear = w.get<QComboBox>("ZYear");
    WUser = w.get<RadioGroup>("WUser");
    Label3 = w.get<QLabel>("Label3");
    Edit1 = w.get<QLineEdit>("Edit1");
    Kwartal = w.get<RadioGroup>("Kwartal");
    Label4 = w.get<QLabel>("Label4");
    Edit2 = w.get<QLineEdit>("Edit2");
    Panel1 = w.get<QFrame>("Panel1");
    Label5 = w.get<QLabel>("Label5");
    Gauge1 = w.get<Gauge>("Gauge1");
    Button1 = w.get<QPushButton>("Button1");
    Button2 = w.get<QPushButton>("Button2");
    Button4 = w.get<QPushButton>("Button4");
    Button3 = w.get<QPushButton>("Button3");
}

// The choices a dialog starts with, and what its buttons do.
void Report1Dlg::FormCreate()
{
    for (int year = 1999; year <= 2009; ++year)
        ZYear->addItem(QString::number(year));
    ZYear->setCurrentIndex(0);
    ZYear->lineEdit()->setMaxLength(4);
    // The edit part of the box, less its arrow and frames.
    ZYear->setFont(widgets::FormBuilder::fitted(ZYear->font(), QStringLiteral("2009"), 57 - 28));
    WUser->setItemIndex(0);
    Kwartal->setItemIndex(2);
    Panel1->hide();
    Button2->setEnabled(false);
    Button4->setEnabled(false);

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    Button1->setFocus();
}

Report1Dlg::~Report1Dlg() = default;

taxformat::RunChoices Report1Dlg::choices() const
{
    taxformat::RunChoices c;
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
