#pragma once

#include "core/Error.h"
#include "dbase/Table.h"
#include "taxformat/CheckDigits.h"
#include "taxformat/TaxFileFields.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QString>

namespace bench {

// A tax file for the benchmarks, written through the table engine: the template copied into a
// folder (for the user only) and emptied, then employee records as a small firm's return has
// them, each with every field assigned as the generation run assigns them and an identification
// number that passes its check digit, then the director, chief accountant and totals records.
class BenchTaxFile
{
public:
    BenchTaxFile(const QString& templatePath, const QString& dir, const QString& name)
        : m_table(QStringLiteral("DA"), taxformat::taxFileFields())
    {
        const QString path = QDir(dir).filePath(name);
        QFile::remove(path);
        if (!QFile::copy(templatePath, path))
            throw core::Error(QStringLiteral("cannot copy %1").arg(templatePath));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        const QString folder = QDir(dir).path() + QLatin1Char('/');
        m_table.emptyTable(folder, name);
        m_table.open(folder, name);
    }

    // Employee records numbered on from the last one.
    void addEmployees(int count)
    {
        for (int n = 0; n < count; ++n) {
            const int i = ++m_employees;
            const double income = 1000 + (i % 5000) + 0.37;
            const double withheld = 130 + (i % 700) + 0.11;
            m_income += income;
            m_tax += withheld;
            // One employee per eight rows.
            const QString nine = QString::number(200000000 + i / 8);
            append(i, nine + QString::number(taxformat::individualCheckDigit(nine)), income,
                   withheld);
            m_table.setInt(QStringLiteral("OZN_DOX"), i % 8 + 1);
            m_table.setDate(QStringLiteral("D_PRIYN"), QDate(2001, 3, 1 + i % 28));
            m_table.setDate(QStringLiteral("D_ZVILN"), i % 50 == 0 ? QDate(2008, 8, 15) : QDate());
            m_table.setInt(QStringLiteral("OZN_PILG"), 0);
            m_table.setInt(QStringLiteral("OZNAKA"), 0);
            m_table.post();
        }
    }

    // The three service records; the file is then closed.
    void finish()
    {
        append(99991, QStringLiteral("2238234710"), 4872123, 0);
        m_table.post();
        append(99992, QStringLiteral("2514412289"), 4872124, 0);
        m_table.post();
        append(99999, QString(), m_income, m_tax);
        m_table.post();
        m_table.close();
    }

    dbase::Table& table() { return m_table; }
    double income() const { return m_income; } // the sum of the employees' S_DOX

private:
    void append(double np, const QString& tin, double income, double withheld)
    {
        m_table.append();
        m_table.setFloat(QStringLiteral("NP"), np);
        m_table.setInt(QStringLiteral("PERIOD"), 3);
        m_table.setInt(QStringLiteral("RIK"), 2008);
        m_table.setText(QStringLiteral("KOD"), QStringLiteral("32855961"));
        m_table.setInt(QStringLiteral("TYP"), 0);
        m_table.setText(QStringLiteral("TIN"), tin);
        m_table.setFloat(QStringLiteral("S_DOX"), income);
        m_table.setFloat(QStringLiteral("S_TAX"), withheld);
    }

    dbase::Table m_table;
    int m_employees = 0;
    double m_income = 0;
    double m_tax = 0;
};

} // namespace bench
