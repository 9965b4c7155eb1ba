#pragma once

#include "dbase/Table.h"
#include "support/TaxTemplate.h"
#include "taxformat/TaxFileFields.h"

#include <QDate>
#include <QFileInfo>
#include <QString>

#include <optional>
#include <stdexcept>
#include <vector>

namespace testsupport {

// One record of a tax file to write; every field has the value of a sound return.
struct TaxRow
{
    double np = 1;
    QString tin = QStringLiteral("2238234710");
    double sDox = 0;
    double sTax = 0;
    int oznDox = 1;
    QDate hired = QDate(2005, 2, 14);
    QDate dismissed;
    std::optional<int> oznPilg = 0; // nullopt: the field stays blank
    QString kod = QStringLiteral("32855961");
    int typ = 0;
    int period = 3;
    int rik = 2008;
};

inline TaxRow taxRow(double np, const QString& tin, double sDox, double sTax, int oznDox = 1,
                     const QDate& hired = QDate(2005, 2, 14))
{
    TaxRow r;
    r.np = np;
    r.tin = tin;
    r.sDox = sDox;
    r.sTax = sTax;
    r.oznDox = oznDox;
    r.hired = hired;
    return r;
}

// A sound return: two employees, the director, the chief accountant and the totals.
inline std::vector<TaxRow> soundReturn()
{
    std::vector<TaxRow> rows(5);
    rows[0].sDox = 9600;
    rows[0].sTax = 1388.16;
    rows[1] = taxRow(2, QStringLiteral("2514412289"), 8550.5, 1236.33, 1, QDate(1999, 1, 11));
    rows[2] = taxRow(99991, QStringLiteral("2745120158"), 4872123, 0, 0, QDate());
    rows[3] = taxRow(99992, QStringLiteral("3015043027"), 4872124, 0, 0, QDate());
    rows[4] = taxRow(99999, QString(), 18150.5, 2624.49, 0, QDate());
    return rows;
}

// An employee record numbered np with plausible values.
inline TaxRow employee(int np)
{
    return taxRow(np, QString::number(1000000000 + np), 1000 + np + 0.5, 100 + np, 1 + np % 8,
                  QDate(1999, 1, 1 + np % 28));
}

// Employee records 1..n followed by the director, chief accountant and totals records.
inline std::vector<TaxRow> taxReturn(int n)
{
    std::vector<TaxRow> rows;
    double dox = 0, tax = 0;
    for (int i = 1; i <= n; ++i) {
        rows.push_back(employee(i));
        dox += rows.back().sDox;
        tax += rows.back().sTax;
    }
    rows.push_back(taxRow(99991, QStringLiteral("2222222222"), 0, 0, 0, QDate()));
    rows.push_back(taxRow(99992, QStringLiteral("3333333333"), 0, 0, 0, QDate()));
    rows.push_back(taxRow(99999, QString(), dox, tax, 0, QDate()));
    return rows;
}

// Writes the rows as a tax file at `path` through the table engine, on a template of the tax
// file's fields (in the layout given); the service records get only what the run gives them.
inline void writeTaxFile(const QString& path, const std::vector<TaxRow>& rows,
                         const std::vector<TemplateField>& fields = taxTemplateFields())
{
    if (!writeTaxTemplate(path, 0, fields))
        throw std::runtime_error("cannot write the template");
    const QFileInfo info(path);
    const QString dir = info.absolutePath() + '/';
    dbase::Table t("DA", taxformat::taxFileFields());
    t.open(dir, info.fileName());
    for (const TaxRow& r : rows) {
        const bool employee = r.np < 99991;
        t.append();
        t.setFloat("NP", r.np);
        t.setInt("PERIOD", r.period);
        t.setInt("RIK", r.rik);
        t.setText("KOD", r.kod);
        t.setInt("TYP", r.typ);
        t.setText("TIN", r.tin);
        t.setFloat("S_DOX", r.sDox);
        if (employee || r.np == 99999)
            t.setFloat("S_TAX", r.sTax);
        if (employee) {
            t.setInt("OZN_DOX", r.oznDox);
            t.setDate("D_PRIYN", r.hired);
            t.setDate("D_ZVILN", r.dismissed);
            if (r.oznPilg)
                t.setInt("OZN_PILG", *r.oznPilg);
            t.setInt("OZNAKA", 0);
        }
        t.post();
    }
}

inline void writeTaxFile(const QString& dir, const QString& name, const std::vector<TaxRow>& rows)
{
    writeTaxFile(dir + '/' + name, rows);
}

} // namespace testsupport
