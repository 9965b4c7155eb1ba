#pragma once

#include "settings/FieldTable.h"
#include "settings/SettingsSource.h"

#include <QHash>

#include <QString>

namespace testsupport {

// The request templates as the settings dialog starts with them.
inline void putDefaultTemplates(settings::MapSettings& s)
{
    s.set(QStringLiteral("FormWoker"), QStringLiteral("СН1:&.52"));
    s.set(QStringLiteral("IndNumber"), QStringLiteral("СН1:&.100"));
    s.set(QStringLiteral("InWoker"), QStringLiteral("СН1:&.101"));
    s.set(QStringLiteral("Edit1"), QStringLiteral("СН 1:&.35"));
    s.set(QStringLiteral("f1"),
          QStringLiteral("?((СН1:&.35=1) ИЛИ (СН1:&.35=4)\\КО70.01:&-ОБ87.01,70.01:&\\0)"));
    s.set(QStringLiteral("fp1"),
          QStringLiteral("?((СН1:&.35=1) ИЛИ (СН1:&.35=4)\\ОБ70.01:&,68.01\\0)"));
    s.set(QStringLiteral("nw1"), QString());
    s.set(QStringLiteral("pp1"), QStringLiteral("СН1:&.102"));
    s.set(QStringLiteral("f2"), QStringLiteral("?((СН1:&.35=2) ИЛИ (СН1:&.35=3)\\КО70.01:&\\0)"));
    s.set(QStringLiteral("fp2"),
          QStringLiteral("?((СН1:&.35=2) ИЛИ (СН1:&.35=3)\\ОБ70.01:&,68.01\\0)"));
    s.set(QStringLiteral("nw2"), QString());
    s.set(QStringLiteral("pp2"), QString());
    s.set(QStringLiteral("f3"), QStringLiteral("ОБ87.01,70.01:&"));
    for (const char* prefix : {"fp", "nw", "pp"})
        s.set(QString::fromLatin1(prefix) + u'3', QString());
    for (int row = 4; row <= 8; ++row) {
        for (const char* prefix : {"f", "fp", "nw", "pp"})
            s.set(QString::fromLatin1(prefix) + QString::number(row), QString());
    }
}

// The default templates and the requisites of the demo firm, with codes that pass their check
// digits, so that the demo books give a clean return of employees 1 to 15.
inline void putDemoSettings(settings::MapSettings& s)
{
    putDefaultTemplates(s);
    s.set(QStringLiteral("CodRegion"), QStringLiteral("07"));
    s.set(QStringLiteral("CodPod"), QStringLiteral("14"));
    s.set(QStringLiteral("FirstWoker"), QStringLiteral("1"));
    s.set(QStringLiteral("LastWoker"), QStringLiteral("15"));
    s.set(QStringLiteral("Edrpou1"), QStringLiteral("32855961"));
    s.set(QStringLiteral("codk1"), QStringLiteral("2931414195"));
    s.set(QStringLiteral("codb1"), QStringLiteral("2337326063"));
    s.set(QStringLiteral("TellBoss"), QStringLiteral("4872123"));
    s.set(QStringLiteral("TellShief"), QStringLiteral("4872124"));
}

// Every setting's text as the settings dialog starts with it, by field name.
inline QHash<QString, QString> defaultTexts()
{
    QHash<QString, QString> texts;
    for (const settings::FieldDef& def : settings::FieldTable::fields())
        texts.insert(def.name, def.defaultText);
    return texts;
}

} // namespace testsupport
