#include "settings/FieldTable.h"

#include <QSet>

#include <gtest/gtest.h>

using settings::FieldTable;
using settings::Page;

TEST(FieldTableTest, StoredFieldsAreTheFiftyInTheirOrder)
{
    const QStringList& order = FieldTable::storedOrder();
    ASSERT_EQ(order.size(), 50);
    EXPECT_EQ(QSet<QString>(order.begin(), order.end()).size(), 50);
    EXPECT_EQ(order.first(), QStringLiteral("Edrpou1"));
    EXPECT_EQ(order.at(10), QStringLiteral("TellShief"));
    EXPECT_EQ(order.at(11), QStringLiteral("f1"));
    EXPECT_EQ(order.at(27), QStringLiteral("IndNumber"));
    EXPECT_EQ(order.at(39), QStringLiteral("FirstWoker"));
    EXPECT_EQ(order.last(), QStringLiteral("DestinationA"));

    QStringList unstored;
    for (const settings::FieldSpec& spec : FieldTable::fields()) {
        EXPECT_EQ(spec.stored, order.contains(spec.name)) << spec.name.toStdString();
        if (!spec.stored)
            unstored << spec.name;
    }
    EXPECT_EQ(unstored, (QStringList{"FormWoker", "Edit1"}));
    EXPECT_EQ(FieldTable::find(QStringLiteral("nope")), nullptr);
}

TEST(FieldTableTest, TabOrdersCoverEachPageOnce)
{
    for (Page page : {Page::Requisites, Page::Link, Page::Formulas}) {
        QStringList onPage;
        for (const settings::FieldSpec& spec : FieldTable::fields()) {
            if (spec.page == page)
                onPage << spec.name;
        }
        QStringList order = FieldTable::tabOrder(page);
        order.sort();
        onPage.sort();
        EXPECT_EQ(order, onPage);
    }
}

TEST(FieldTableTest, CyrillicWhereTheTextsAreCyrillic)
{
    // "1С" and the templates' letters are Cyrillic; a Latin look-alike would ask the wrong item.
    EXPECT_EQ(FieldTable::pageCaption(Page::Link).back().unicode(), 0x0421);
    for (const settings::FieldSpec& spec : FieldTable::fields()) {
        for (const QChar c : spec.defaultText + spec.label)
            EXPECT_FALSE(spec.name != "DestinationA" &&
                         QStringLiteral("ABCEHIKMOPTXaceiopxy").contains(c))
                << spec.name.toStdString();
    }
}
