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
    for (const settings::FieldDef& def : FieldTable::fields()) {
        EXPECT_EQ(def.stored, order.contains(def.name)) << def.name.toStdString();
        if (!def.stored)
            unstored << def.name;
    }
    EXPECT_EQ(unstored, (QStringList{"FormWoker", "Edit1"}));
    EXPECT_EQ(FieldTable::find(QStringLiteral("nope")), nullptr);
}

TEST(FieldTableTest, TabOrdersCoverEachPageOnce)
{
    for (Page page : {Page::Requisites, Page::Link, Page::Formulas}) {
        QStringList onPage;
        for (const settings::FieldDef& def : FieldTable::fields()) {
            if (def.page == page)
                onPage << def.name;
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
    for (const settings::FieldDef& def : FieldTable::fields()) {
        for (const QChar c : def.defaultText + def.label)
            EXPECT_FALSE(def.name != "DestinationA" &&
                         QStringLiteral("ABCEHIKMOPTXaceiopxy").contains(c))
                << def.name.toStdString();
    }
}
