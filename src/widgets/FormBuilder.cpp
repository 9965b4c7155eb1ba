#include "widgets/FormBuilder.h"

#include "widgets/Cp1251Validator.h"
#include "widgets/FormFont.h"

#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

#include <algorithm>

namespace widgets {

namespace {

// Keeps the growing components of one parent where their growth puts them whenever the parent
// changes size.
class GrowthKeeper final : public QObject
{
public:
    GrowthKeeper(QWidget* parent, QSize design)
        : QObject(parent), m_parent(parent), m_design(design)
    {
        parent->installEventFilter(this);
    }

    void add(QWidget* child, const FormItem& item)
    {
        m_children.append({child, item.rect, item.growth});
        place(m_children.back());
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_parent && event->type() == QEvent::Resize)
            for (const Child& child : std::as_const(m_children))
                place(child);
        return QObject::eventFilter(watched, event);
    }

private:
    struct Child
    {
        QWidget* widget;
        QRect rect;
        unsigned growth;
    };

    void place(const Child& child) const
    {
        const int dx = m_parent->width() - m_design.width();
        const int dy = m_parent->height() - m_design.height();
        QRect r = child.rect;
        if (child.growth & Wider)
            r.setWidth(std::max(0, r.width() + dx));
        if (child.growth & Taller)
            r.setHeight(std::max(0, r.height() + dy));
        if (child.growth & FollowsRight)
            r.moveLeft(r.left() + dx);
        if (child.growth & FollowsBottom)
            r.moveTop(r.top() + dy);
        child.widget->setGeometry(r);
    }

    QWidget* m_parent;
    QSize m_design;
    QList<Child> m_children;
};

QFrame* makeFrame(Kind kind, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    if (kind == Kind::Panel) {
        frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
        frame->setLineWidth(1);
    } else if (kind == Kind::Bevel) {
        frame->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    } else {
        frame->setFrameStyle(QFrame::NoFrame);
        frame->setBackgroundRole(QPalette::Window);
        frame->setAutoFillBackground(true);
    }
    return frame;
}

QWidget* make(const FormItem& item, QWidget* parent,
              const QHash<QString, FormBuilder::Maker>& makers)
{
    switch (item.kind) {
    case Kind::Label:
        return new QLabel(item.text, parent);
    case Kind::Text: {
        auto* text = new QLabel(item.text, parent);
        text->setWordWrap(true);
        text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return text;
    }
    case Kind::Button: {
        auto* button = new QPushButton(item.text, parent);
        button->setAutoDefault(false);
        return button;
    }
    case Kind::Edit: {
        auto* edit = new QLineEdit(item.text, parent);
        edit->setValidator(new Cp1251Validator(edit));
        return edit;
    }
    case Kind::ComboBox: {
        auto* box = new QComboBox(parent);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->lineEdit()->setValidator(new Cp1251Validator(box->lineEdit()));
        return box;
    }
    case Kind::Panel:
    case Kind::Bevel:
    case Kind::Frame:
        return makeFrame(item.kind, parent);
    case Kind::Memo:
        return new QPlainTextEdit(item.text, parent);
    case Kind::Table:
        return new QTableWidget(parent);
    case Kind::Tabs:
        return new QTabWidget(parent);
    case Kind::Page: {
        auto* page = new QWidget;
        if (auto* tabs = qobject_cast<QTabWidget*>(parent))
            tabs->addTab(page, item.text);
        return page;
    }
    case Kind::Custom:
        if (const auto maker = makers.value(item.name))
            return maker(item, parent);
        break;
    }
    Q_ASSERT_X(false, "FormBuilder", qPrintable(item.name));
    return new QWidget(parent);
}

bool isEmpty(const FontStyle& style)
{
    return style.family == FontStyle::Inherited && style.points <= 0 && style.pixels <= 0 &&
           !style.bold && !style.italic && !style.underline;
}

// The text a label or button shows in the width the table gives it.
void fit(QWidget* widget, const FormItem& item)
{
    int room = item.rect.width();
    if (item.kind == Kind::Button)
        room -= 8; // less the frame and a margin
    else if (item.kind != Kind::Label)
        return;
    if (room > 0)
        for (const QString& line : item.text.split(QLatin1Char('\n')))
            widget->setFont(FormBuilder::fitted(widget->font(), line, room));
}

void place(QWidget* widget, const FormItem& item)
{
    QRect r = item.rect;
    if (r.width() <= 0 || r.height() <= 0) {
        const QSize own = widget->sizeHint();
        if (r.width() <= 0)
            r.setWidth(own.width());
        if (r.height() <= 0)
            r.setHeight(own.height());
    }
    // A label given a height is as high as its text and centred on that height, so that it is
    // never cut and stands level with the field beside it.
    if (item.kind == Kind::Label && item.rect.height() > 0) {
        const int own = widget->sizeHint().height();
        r.setTop(r.top() + (r.height() - own) / 2);
        r.setHeight(own);
    }
    widget->setGeometry(r);
}

// Where a component stands in the focus chain: itself, or, for a box of items, the items that
// take the focus (which of them Tab stops at is the box's own business).
QList<QWidget*> tabStops(QWidget* widget)
{
    if (widget->focusPolicy() & Qt::TabFocus)
        return {widget};
    QList<QWidget*> stops;
    for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->focusPolicy() != Qt::NoFocus)
            stops.append(child);
    return stops.isEmpty() ? QList<QWidget*>{widget} : stops;
}

void setTabOrder(const QList<FormItem>& items, const FormWidgets& widgets)
{
    QList<const FormItem*> ordered;
    for (const FormItem& item : items)
        if (item.tab > 0)
            ordered.append(&item);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const FormItem* a, const FormItem* b) { return a->tab < b->tab; });
    QWidget* previous = nullptr;
    for (const FormItem* item : ordered) {
        for (QWidget* stop : tabStops(widgets.value(item->name))) {
            if (previous)
                QWidget::setTabOrder(previous, stop);
            previous = stop;
        }
    }
}

} // namespace

QFont FormBuilder::font(const FontStyle& style, const QFont& base)
{
    QFont font = base;
    if (style.family == FontStyle::Sans)
        font.setFamilies(msSansSerif().families());
    else if (style.family == FontStyle::Serif)
        font.setFamilies(timesNewRoman().families());
    if (style.family != FontStyle::Inherited)
        font.setStyleHint(style.family == FontStyle::Serif ? QFont::Serif : QFont::SansSerif);
    if (style.points > 0)
        font.setPointSize(style.points);
    if (style.pixels > 0)
        font.setPixelSize(style.pixels);
    if (style.family != FontStyle::Inherited || style.bold)
        font.setBold(style.bold);
    if (style.family != FontStyle::Inherited || style.italic)
        font.setItalic(style.italic);
    if (style.underline)
        font.setUnderline(true);
    return font;
}

QFont FormBuilder::fitted(QFont font, const QString& text, int room)
{
    // The forms were laid out for a narrow font; where the one in use is wider, the text is
    // narrowed just enough to fit the room the form gives it instead of running under the
    // controls next to it.
    int width = QFontMetrics(font).horizontalAdvance(text);
    for (int stretch = std::min(99, room * 100 / std::max(1, width)); width > room && stretch >= 50;
         --stretch) {
        font.setStretch(stretch);
        width = QFontMetrics(font).horizontalAdvance(text);
    }
    return font;
}

FormWidgets FormBuilder::build(QWidget* form, QSize design, const QList<FormItem>& items,
                               const QHash<QString, Maker>& makers)
{
    FormWidgets widgets;
    QHash<QWidget*, GrowthKeeper*> keepers;
    for (const FormItem& item : items) {
        QWidget* parent = item.parent.isEmpty() ? form : widgets.value(item.parent);
        Q_ASSERT_X(parent, "FormBuilder: the item sits in one made later", qPrintable(item.name));
        QWidget* widget = make(item, parent, makers);
        widget->setObjectName(item.name);
        widgets.insert(item.name, widget);
        if (!isEmpty(item.font))
            widget->setFont(font(item.font, parent->font()));
        fit(widget, item);
        if (item.kind == Kind::Page)
            continue; // the tabs place their pages
        place(widget, item);
        if (item.growth != Fixed) {
            GrowthKeeper*& keeper = keepers[parent];
            if (!keeper)
                keeper = new GrowthKeeper(parent, parent == form ? design : parent->size());
            keeper->add(widget, item);
        }
    }
    setTabOrder(items, widgets);
    return widgets;
}

} // namespace widgets
