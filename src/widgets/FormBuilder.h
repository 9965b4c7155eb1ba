#pragma once

#include "widgets/FormItem.h"

#include <QHash>
#include <QList>
#include <QSize>
#include <QWidget>

#include <functional>

namespace widgets {

// The widgets of a built form, by object name.
class FormWidgets
{
public:
    // The component called `name`, of type T; a form asking for one its table lacks is a fault
    // of the program, not of its input, and stops it.
    template <class T> T* get(const QString& name) const
    {
        T* widget = qobject_cast<T*>(m_widgets.value(name));
        Q_ASSERT_X(widget, "FormWidgets::get", qPrintable(name));
        return widget;
    }
    QWidget* value(const QString& name) const { return m_widgets.value(name); }
    void insert(const QString& name, QWidget* widget) { m_widgets.insert(name, widget); }

private:
    QHash<QString, QWidget*> m_widgets;
};

// Makes a form's components from its table: kind, name, text, place, font and growth as the
// table gives them, and the tab order in the table's order. What the components do stays with
// the form.
class FormBuilder
{
public:
    // Makes the custom component `item` inside `parent`.
    using Maker = std::function<QWidget*(const FormItem& item, QWidget* parent)>;

    // `design` is the size of the form's client area the rectangles were drawn for; growth is
    // measured from it.
    static FormWidgets build(QWidget* form, QSize design, const QList<FormItem>& items,
                             const QHash<QString, Maker>& makers = {});

    // The font `style` names, over `base` where it leaves something open.
    static QFont font(const FontStyle& style, const QFont& base);
    // `font` narrowed just enough for `text` to fit `room` pixels, or as it is where it fits.
    static QFont fitted(QFont font, const QString& text, int room);
};

} // namespace widgets
