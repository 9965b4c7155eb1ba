#pragma once

#include "widgets/FormItem.h"

#include <QApplication>
#include <QFont>
#include <QVariant>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>

namespace testsupport {

// The item of `items` that `widget` belongs to (itself or the nearest named ancestor), or none.
inline const widgets::FormItem* owningItem(QWidget* widget, const QList<widgets::FormItem>& items,
                                           const QWidget* form)
{
    for (; widget && widget != form; widget = widget->parentWidget())
        for (const widgets::FormItem& item : items)
            if (item.name == widget->objectName())
                return &item;
    return nullptr;
}

inline void expectFont(const QFont& font, const widgets::FontStyle& style)
{
    const bool styled = style.family != widgets::FontStyle::Inherited;
    EXPECT_TRUE(style.points <= 0 || font.pointSize() == style.points) << font.pointSize();
    EXPECT_TRUE(style.pixels <= 0 || font.pixelSize() == style.pixels) << font.pixelSize();
    EXPECT_TRUE(!(styled || style.bold) || font.bold() == style.bold);
    EXPECT_TRUE(!(styled || style.italic) || font.italic() == style.italic);
    EXPECT_TRUE(!style.underline || font.underline());
    EXPECT_TRUE(style.family != widgets::FontStyle::Serif || font.styleHint() == QFont::Serif);
}

// Where the table puts `item` when the form it sits on is `grown` larger than designed.
inline QRect expectedRect(const widgets::FormItem& item, QSize grown)
{
    if (!item.parent.isEmpty())
        grown = QSize();
    QRect r = item.rect;
    if (item.growth & widgets::Wider)
        r.setWidth(r.width() + grown.width());
    if (item.growth & widgets::Taller)
        r.setHeight(r.height() + grown.height());
    r.translate(item.growth & widgets::FollowsRight ? grown.width() : 0,
                item.growth & widgets::FollowsBottom ? grown.height() : 0);
    return r;
}

inline void expectPlaces(QWidget* form, QSize design, const QList<widgets::FormItem>& items)
{
    const QSize grown = form->size() - design;
    for (const widgets::FormItem& item : items) {
        if (item.kind == widgets::Kind::Page)
            continue; // the tabs place their pages
        SCOPED_TRACE(item.name.toStdString());
        const QRect r = form->findChild<QWidget*>(item.name)->geometry();
        const QRect expected = expectedRect(item, grown);
        EXPECT_EQ(r.x(), expected.x());
        EXPECT_TRUE(item.rect.width() <= 0 || r.width() == expected.width()) << r.width();
        if (item.kind == widgets::Kind::Label && item.rect.height() > 0) {
            // a label given a height stands centred on it
            EXPECT_LE(std::abs(r.center().y() - expected.center().y()), 1) << r.y();
        } else {
            EXPECT_EQ(r.y(), expected.y());
            EXPECT_TRUE(item.rect.height() <= 0 || r.height() == expected.height()) << r.height();
        }
    }
}

inline void expectTabOrder(QWidget* form, const QList<widgets::FormItem>& items)
{
    // A component that cannot take the focus (a panel of labels) keeps its place in the table
    // but is no stop of the chain.
    const auto focusable = [form](const widgets::FormItem& item) {
        auto* widget = form->findChild<QWidget*>(item.name);
        if (widget->focusPolicy() != Qt::NoFocus)
            return true;
        const auto children = widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        return std::any_of(children.begin(), children.end(),
                           [](QWidget* c) { return c->focusPolicy() != Qt::NoFocus; });
    };
    QList<const widgets::FormItem*> ordered;
    for (const widgets::FormItem& item : items)
        if (item.tab > 0 && focusable(item))
            ordered.append(&item);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](auto* a, auto* b) { return a->tab < b->tab; });
    if (ordered.isEmpty())
        return;
    QStringList expected, walked;
    for (const widgets::FormItem* item : ordered)
        expected << item->name;
    QWidget* w = form->findChild<QWidget*>(ordered.front()->name);
    for (int i = 0; i < 10000 && walked.size() < expected.size(); ++i) {
        const widgets::FormItem* owner =
            w->focusPolicy() == Qt::NoFocus ? nullptr : owningItem(w, items, form);
        if (owner && !walked.contains(owner->name))
            walked << owner->name;
        w = w->nextInFocusChain();
    }
    EXPECT_EQ(walked, expected);
}

// The form stands as its table draws it for a client area of `design`: every component where
// the table puts it, with its text and font; Tab walks them in the table's order; and when the
// form is made larger, each grows or moves as the table says.
inline void expectAsInTable(QWidget* form, QSize design, const QList<widgets::FormItem>& items)
{
    for (const widgets::FormItem& item : items) {
        SCOPED_TRACE(item.name.toStdString());
        auto* widget = form->findChild<QWidget*>(item.name);
        ASSERT_NE(widget, nullptr);
        if (!item.text.isEmpty() && item.kind != widgets::Kind::Page) {
            const char* property = widget->property("text").isValid()        ? "text"
                                   : widget->property("plainText").isValid() ? "plainText"
                                                                             : "title";
            EXPECT_EQ(widget->property(property).toString(), item.text);
        }
        expectFont(widget->font(), item.font);
    }
    expectPlaces(form, design, items);
    expectTabOrder(form, items);
    if (form->minimumSize() == form->maximumSize())
        return;
    const QSize before = form->size();
    form->resize(before + QSize(40, 30));
    QApplication::processEvents();
    expectPlaces(form, design, items);
    form->resize(before);
    QApplication::processEvents();
}

} // namespace testsupport
