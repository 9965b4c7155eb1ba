#pragma once

#include "bands/DataSource.h"
#include "bands/ReportDefinition.h"
#include "dbase/Table.h"

#include <QString>

namespace report {

// The printed return: the report QuickRep1 (the state form, as data) over its data source
// Table1, the tax file. One instance is made for each printing and released after its preview.
class Zvit1Dlg
{
public:
    Zvit1Dlg();
    ~Zvit1Dlg();
    Zvit1Dlg(const Zvit1Dlg&) = delete;
    Zvit1Dlg& operator=(const Zvit1Dlg&) = delete;

    // The form's definition, with the run-time items empty.
    static bands::ReportDefinition formDefinition();

    // Closes Table1, points it at dir + fileName and opens it with the tax file's bindings.
    void openTable(const QString& dir, const QString& fileName);

    bands::ReportDefinition QuickRep1;
    dbase::Table Table1;
    // Table1 as the report's data source.
    bands::DataSource& source() { return m_source; }

private:
    class TableSource final : public bands::DataSource
    {
    public:
        explicit TableSource(dbase::Table& table) : m_table(table) {}
        QString name() const override { return m_table.name(); }
        void first() override { m_table.first(); }
        bool eof() const override { return m_table.eof(); }
        void next() override { m_table.next(); }
        bands::Value field(const QString& name) const override;

    private:
        dbase::Table& m_table;
    };
    TableSource m_source;
};

} // namespace report
