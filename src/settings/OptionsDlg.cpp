#include "settings/OptionsDlg.h"

#include "core/Messages.h"
#include "settings/CheckDigitMark.h"
#include "settings/DestinationMark.h"
#include "settings/FieldTable.h"
#include "widgets/Cp1251Validator.h"
#include "widgets/FormFont.h"
#include "widgets/OuterSize.h"

#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>

#include <algorithm>

namespace settings {

namespace {

QFont formFont()
{
    QFont font = widgets::msSansSerif();
    font.setPixelSize(11);
    return font;
}

QFont requisiteFont()
{
    QFont font = formFont();
    font.setPixelSize(13);
    font.setBold(true);
    return font;
}

} // namespace

OptionsDlg::OptionsDlg(QWidget* parent) : OptionsDlg(*SettingsStore::userStore().release(), parent)
{
    m_ownStore.reset(&m_store);
}

OptionsDlg::OptionsDlg(SettingsStore& store, QWidget* parent)
    : QDialog(parent), m_store(store), FormStorage1(store)
{
    setObjectName(QStringLiteral("OptionsDlg"));
    setWindowTitle(QStringLiteral("Настройки"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    setFont(formFont());
    resize(kClientWidth, kClientHeight);
    // Under a window manager whose frame is not the classic one, the outer size holds all the same.
    widgets::keepOuterSize(this, QSize(kOuterWidth, kOuterHeight));
    FormCreate();
}

void OptionsDlg::makeWidgets()
{
    if (!m_edits.isEmpty())
        return;
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(0, 0, 561, 473);
    buildPages();
    // From here on the fields hold the settings.
    m_loaded.clear();

    Button1 = new QPushButton(QStringLiteral("ОК"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(392, 480, 75, 25);
    Button2 = new QPushButton(QStringLiteral("Відмінити"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(480, 480, 75, 25);
    // Enter and Esc press neither button.
    for (QPushButton* button : {Button1, Button2}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(Button1, &QPushButton::clicked, this, &OptionsDlg::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &OptionsDlg::Button2Click);

    // Tab walks each page in its own order, then the buttons.
    QWidget* previous = PageControl1;
    for (Page page : {Page::Requisites, Page::Link, Page::Formulas}) {
        for (const QString& name : FieldTable::tabOrder(page)) {
            QLineEdit* edit = m_edits.value(name);
            QWidget::setTabOrder(previous, edit);
            previous = edit;
        }
    }
    QWidget::setTabOrder(previous, Button1);
    QWidget::setTabOrder(Button1, Button2);

    // A code that fails its check digit gets a warning mark; its text is still taken as typed.
    for (const FieldDef& def : FieldTable::fields())
        if (def.code != CodeKind::None)
            new CheckDigitMark(m_edits.value(def.name), def.code, def.codeSubject);
    // So does an upload path that names no folder here.
    new DestinationMark(DestinationA, [this] {
        return m_uploadFileName ? m_uploadFileName() : QString();
    });

    PageControl1->setCurrentWidget(TabSheet2);
}

OptionsDlg::~OptionsDlg() = default;

void OptionsDlg::buildPages()
{
    using Member = QLineEdit* OptionsDlg::*;
    static const QHash<QString, Member> members{
        {"Edrpou1", &OptionsDlg::Edrpou1},
        {"pdw1", &OptionsDlg::pdw1},
        {"codpp1", &OptionsDlg::codpp1},
        {"NameBoss", &OptionsDlg::NameBoss},
        {"codk1", &OptionsDlg::codk1},
        {"TellBoss", &OptionsDlg::TellBoss},
        {"NameShief", &OptionsDlg::NameShief},
        {"codb1", &OptionsDlg::codb1},
        {"TellShief", &OptionsDlg::TellShief},
        {"NameFirm", &OptionsDlg::NameFirm},
        {"NamePodat", &OptionsDlg::NamePodat},
        {"CodRegion", &OptionsDlg::CodRegion},
        {"CodPod", &OptionsDlg::CodPod},
        {"FirstWoker", &OptionsDlg::FirstWoker},
        {"LastWoker", &OptionsDlg::LastWoker},
        {"FormWoker", &OptionsDlg::FormWoker},
        {"IndNumber", &OptionsDlg::IndNumber},
        {"InWoker", &OptionsDlg::InWoker},
        {"Edit1", &OptionsDlg::Edit1},
        {"DestinationA", &OptionsDlg::DestinationA},
        {"f1", &OptionsDlg::f1},
        {"f2", &OptionsDlg::f2},
        {"f3", &OptionsDlg::f3},
        {"f4", &OptionsDlg::f4},
        {"f5", &OptionsDlg::f5},
        {"f6", &OptionsDlg::f6},
        {"f7", &OptionsDlg::f7},
        {"f8", &OptionsDlg::f8},
        {"nw1", &OptionsDlg::nw1},
        {"nw2", &OptionsDlg::nw2},
        {"nw3", &OptionsDlg::nw3},
        {"nw4", &OptionsDlg::nw4},
        {"nw5", &OptionsDlg::nw5},
        {"nw6", &OptionsDlg::nw6},
        {"nw7", &OptionsDlg::nw7},
        {"nw8", &OptionsDlg::nw8},
        {"fp1", &OptionsDlg::fp1},
        {"fp2", &OptionsDlg::fp2},
        {"fp3", &OptionsDlg::fp3},
        {"fp4", &OptionsDlg::fp4},
        {"fp5", &OptionsDlg::fp5},
        {"fp6", &OptionsDlg::fp6},
        {"fp7", &OptionsDlg::fp7},
        {"fp8", &OptionsDlg::fp8},
        {"pp1", &OptionsDlg::pp1},
        {"pp2", &OptionsDlg::pp2},
        {"pp3", &OptionsDlg::pp3},
        {"pp4", &OptionsDlg::pp4},
        {"pp5", &OptionsDlg::pp5},
        {"pp6", &OptionsDlg::pp6},
        {"pp7", &OptionsDlg::pp7},
        {"pp8", &OptionsDlg::pp8},
    };

    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    PageControl1->addTab(TabSheet1, FieldTable::pageCaption(Page::Requisites));
    PageControl1->addTab(TabSheet2, FieldTable::pageCaption(Page::Link));
    PageControl1->addTab(TabSheet3, FieldTable::pageCaption(Page::Formulas));

    const QFont boldFont = requisiteFont();
    for (const FieldDef& def : FieldTable::fields()) {
        QWidget* sheet = def.page == Page::Requisites ? TabSheet1
                         : def.page == Page::Link     ? TabSheet2
                                                      : TabSheet3;
        auto* label = new QLabel(def.label, sheet);
        label->setObjectName(QStringLiteral("Label_") + def.name);
        // The form's fonts are wider than the ones the layout was drawn with: a label that
        // would run into its field is narrowed, never cut.
        const int room = def.x - def.labelX - 2;
        if (room > 0 && label->sizeHint().width() > room) {
            QFont narrow = label->font();
            for (int stretch = 99; stretch >= 70 && label->sizeHint().width() > room; --stretch) {
                narrow.setStretch(stretch);
                label->setFont(narrow);
            }
        }
        const QSize hint = label->sizeHint();
        label->setGeometry(def.labelX, def.y + (def.height - hint.height()) / 2, hint.width(),
                           hint.height());

        auto* edit = new QLineEdit(sheet);
        edit->setObjectName(def.name);
        edit->setGeometry(def.x, def.y, def.width, def.height);
        if (def.font == FieldFont::Bold)
            edit->setFont(boldFont);
        if (def.maxLength > 0)
            edit->setMaxLength(def.maxLength);
        edit->setValidator(new widgets::Cp1251Validator(edit));
        const QString text = m_loaded.value(def.name);
        // The limit is for typing only: a longer stored text is shown whole.
        if (edit->maxLength() < text.size())
            edit->setMaxLength(int(text.size()));
        edit->setText(text);
        edit->setCursorPosition(0);
        m_edits.insert(def.name, edit);
        this->*members.value(def.name) = edit;
    }
}

void OptionsDlg::FormCreate()
{
    // The defaults, then what the store holds: the texts every reader gets from now on.
    for (const FieldDef& def : FieldTable::fields())
        m_loaded.insert(def.name, def.defaultText);
    FormStorage1.load(m_loaded);
}

QHash<QString, QString> OptionsDlg::texts() const
{
    if (m_edits.isEmpty())
        return m_loaded;
    QHash<QString, QString> values;
    for (auto it = m_edits.cbegin(); it != m_edits.cend(); ++it)
        values.insert(it.key(), it.value()->text());
    return values;
}

QString OptionsDlg::text(const QString& field) const
{
    if (m_edits.isEmpty())
        return m_loaded.value(field);
    const QLineEdit* edit = m_edits.value(field);
    return edit ? edit->text() : QString();
}

WindowPlacement OptionsDlg::placement() const
{
    WindowPlacement p;
    p.showCmd = isMaximized() ? 3 : isMinimized() ? 2 : 1;
    if (const QScreen* s = screen()) {
        p.pixelsPerInch = qRound(s->logicalDotsPerInch());
        p.screenWidth = s->geometry().width();
        p.screenHeight = s->geometry().height();
    }
    // The normal rectangle is the outer one, also while maximised.
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    QRect normal = (isMaximized() || isMinimized()) ? normalGeometry() : client;
    normal.adjust(frame.left() - client.left(), frame.top() - client.top(),
                  frame.right() - client.right(), frame.bottom() - client.bottom());
    p.left = normal.left();
    p.top = normal.top();
    p.right = normal.left() + normal.width();
    p.bottom = normal.top() + normal.height();
    return p;
}

void OptionsDlg::Button1Click()
{
    core::guarded([this] {
        FormStorage1.save(texts(), placement());
        accept();
    });
}

void OptionsDlg::Button2Click()
{
    close();
}

void OptionsDlg::keyPressEvent(QKeyEvent* event)
{
    // Esc closes nothing here; Enter reaches no button since none is a default.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void OptionsDlg::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        makeWidgets();
        if (m_shownBefore) {
            resize(m_lastSize);
            move(m_lastPos);
        } else {
            const QScreen* s = parentWidget() ? parentWidget()->screen() : nullptr;
            if (!s)
                s = QGuiApplication::primaryScreen();
            if (s) {
                QRect outer(0, 0, kOuterWidth, kOuterHeight);
                outer.moveCenter(s->availableGeometry().center());
                move(outer.topLeft());
            }
        }
    } else if (!visible && isVisible()) {
        m_shownBefore = true;
        m_lastPos = pos();
        m_lastSize = size();
    }
    QDialog::setVisible(visible);
}

} // namespace settings
