#pragma once

#include "dbase/Table.h"

#include <QStringList>

#include <vector>

namespace dbase {

// The thirteen fields of the tax file, in their order, with the kinds through which the program
// reads and writes them; the template DA.DBF must carry each of them compatibly.
std::vector<FieldDecl> taxFileFields();

// The physical layout the tax file is meant to have, that of the DA.DBF the program ships: the
// thirteen fields' dBase types, widths and decimals.
std::vector<DbfField> taxFileLayout();

// Where the fields of a template differ from that layout in kind (N and F count as one), width
// or decimals: one line per field, "S_DOX: N 15.0 замість N 15.2"; empty when they agree.
// Further fields of the template are not looked at.
QStringList layoutDifferences(const std::vector<DbfField>& fields);

} // namespace dbase
