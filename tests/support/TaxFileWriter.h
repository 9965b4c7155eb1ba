#pragma once

#include "core/Error.h"
#include "dbase/Table.h"
#include "dbase/TaxFileFields.h"
#include "support/TaxTemplate.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace testsupport {

// One record of a tax file as the printed form reads it.
struct TaxLine
{
    double np = 1;
    QString tin;
    double dox = 0;
    double tax = 0;
    std::optional<int> oznDox = 1;
    QDate priyn;
    QDate zviln;
    std::optional<int> oznPilg = 0; // nullopt: the field stays blank
};

// An employee line numbered np with plausible values.
inline TaxLine employee(int np)
{
    TaxLine l;
    l.np = np;
    l.tin = QString::number(1000000000 + np);
    l.dox = 1000 + np + 0.5;
    l.tax = 100 + np;
    l.oznDox = 1 + np % 8;
    l.priyn = QDate(1999, 1, 1 + np % 28);
    return l;
}

// The director, chief accountant and totals records the generation run appends.
inline std::vector<TaxLine> serviceLines(double totalDox, double totalTax)
{
    TaxLine director;
    director.np = 99991;
    director.tin = QStringLiteral("2222222222");
    TaxLine chief;
    chief.np = 99992;
    chief.tin = QStringLiteral("3333333333");
    TaxLine totals;
    totals.np = 99999;
    totals.dox = totalDox;
    totals.tax = totalTax;
    return {director, chief, totals};
}

// Employee lines 1..n followed by the three service lines with the right totals.
inline std::vector<TaxLine> taxReturn(int n)
{
    std::vector<TaxLine> lines;
    double dox = 0, tax = 0;
    for (int i = 1; i <= n; ++i) {
        lines.push_back(employee(i));
        dox += lines.back().dox;
        tax += lines.back().tax;
    }
    for (const TaxLine& s : serviceLines(dox, tax))
        lines.push_back(s);
    return lines;
}

// Writes a tax file of these records at dir/name with the tax file's layout.
inline void writeTaxFile(const QString& dir, const QString& name, const std::vector<TaxLine>& lines)
{
    if (!writeTaxTemplate(dir + '/' + name))
        throw core::Error(QStringLiteral("cannot write ") + name);
    dbase::Table t(QStringLiteral("DA"), dbase::taxFileFields());
    t.open(dir + '/', name);
    for (const TaxLine& l : lines) {
        t.append();
        t.setFloat(QStringLiteral("NP"), l.np);
        t.setInt(QStringLiteral("PERIOD"), 3);
        t.setInt(QStringLiteral("RIK"), 1999);
        t.setText(QStringLiteral("KOD"), QStringLiteral("12345678"));
        t.setInt(QStringLiteral("TYP"), 0);
        t.setText(QStringLiteral("TIN"), l.tin);
        t.setFloat(QStringLiteral("S_DOX"), l.dox);
        t.setFloat(QStringLiteral("S_TAX"), l.tax);
        if (l.oznDox)
            t.setInt(QStringLiteral("OZN_DOX"), *l.oznDox);
        t.setDate(QStringLiteral("D_PRIYN"), l.priyn);
        t.setDate(QStringLiteral("D_ZVILN"), l.zviln);
        if (l.oznPilg)
            t.setInt(QStringLiteral("OZN_PILG"), *l.oznPilg);
        t.post();
    }
    t.close();
}

} // namespace testsupport
