#include "settings/OptionsDlg.h"

#include "core/Messages.h"
#include "settings/CheckDigitMark.h"
#include "settings/DestinationMark.h"
#include "settings/FieldTable.h"
#include "widgets/FormBuilder.h"
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

const QList<widgets::FormItem>& OptionsDlg::formItems()
{
    using widgets::FormItem;
    using widgets::Kind;
    static const QList<FormItem> items = [] {
        const QString sheets[] = {"TabSheet1", "TabSheet2", "TabSheet3"};
        QList<FormItem> list{{Kind::Tabs, "PageControl1", {}, {0, 0, 561, 473}, {}, 1}};
        for (Page page : {Page::Requisites, Page::Link, Page::Formulas})
            list.append({Kind::Page,
                         sheets[int(page)],
                         FieldTable::pageCaption(page),
                         {},
                         {},
                         0,
                         widgets::Fixed,
                         "PageControl1"});
        // Tab walks each page in its own order, then the buttons.
        QStringList order;
        for (Page page : {Page::Requisites, Page::Link, Page::Formulas})
            order += FieldTable::tabOrder(page);
        const widgets::FontStyle bold{widgets::FontStyle::Sans, 0, 13, true};
        for (const FieldDef& def : FieldTable::fields()) {
            const QString& sheet = sheets[int(def.page)];
            list.append({Kind::Label,
                         "Label_" + def.name,
                         def.label,
                         {def.labelX, def.y, def.x - def.labelX - 2, def.height},
                         {},
                         0,
                         widgets::Fixed,
                         sheet});
            list.append({Kind::Edit,
                         def.name,
                         {},
                         {def.x, def.y, def.width, def.height},
                         def.font == FieldFont::Bold ? bold : widgets::FontStyle{},
                         2 + int(order.indexOf(def.name)),
                         widgets::Fixed,
                         sheet});
        }
        const int last = 2 + int(order.size());
        list.append({Kind::Button, "Button1", "ОК", {392, 480, 75, 25}, {}, last});
        list.append({Kind::Button, "Button2", "Відмінити", {480, 480, 75, 25}, {}, last + 1});
        return list;
    }();
    return items;
}

void OptionsDlg::makeWidgets()
{
    if (!m_edits.isEmpty())
        return;
    const widgets::FormWidgets w =
        widgets::FormBuilder::build(this, QSize(kClientWidth, kClientHeight), formItems());
    PageControl1 = w.get<QTabWidget>("PageControl1");
    TabSheet1 = w.value("TabSheet1");
    TabSheet2 = w.value("TabSheet2");
    TabSheet3 = w.value("TabSheet3");
    Button1 = w.get<QPushButton>("Button1");
    Button2 = w.get<QPushButton>("Button2");
    takeFields(w);
    // From here on the fields hold the settings.
    m_loaded.clear();

    connect(Button1, &QPushButton::clicked, this, &OptionsDlg::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &OptionsDlg::Button2Click);
    // A code that fails its check digit gets a warning mark; its text is still taken as typed.
    for (const FieldDef& def : FieldTable::fields())
        if (def.code != CodeKind::None)
            new CheckDigitMark(m_edits.value(def.name), def.code, def.codeSubject);
    // So does an upload path that names no folder here.
    new DestinationMark(DestinationA,
                        [this] { return m_uploadFileName ? m_uploadFileName() : QString(); });
    PageControl1->setCurrentWidget(TabSheet2);
}

OptionsDlg::~OptionsDlg() = default;

namespace {

using Member = QLineEdit* OptionsDlg::*;

// The dialog's member for each field.
const QHash<QString, Member>& fieldMembers()
{
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
    return members;
}

} // namespace

void OptionsDlg::takeFields(const widgets::FormWidgets& w)
{
    const QHash<QString, Member>& members = fieldMembers();
    for (const FieldDef& def : FieldTable::fields()) {
        auto* edit = w.get<QLineEdit>(def.name);
        if (def.maxLength > 0)
            edit->setMaxLength(def.maxLength);
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
