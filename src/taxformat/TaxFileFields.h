#pragma once

#include "dbase/Table.h"

#include <QStringList>

#include <vector>

namespace taxformat {

// The thirteen fields of the tax file, in their order, with the kinds through which the program
// reads and writes them; the template DA.DBF must carry each of them compatibly.
std::vector<dbase::FieldDecl> taxFileFields();

// The physical layout the tax file is meant to have, that of the DA.DBF the program ships: the
// thirteen fields' dBase types, widths and decimals.
std::vector<dbase::DbfField> taxFileLayout();

// Where the fields of a template differ from that layout in kind (N and F count as one), width
// or decimals: one line per field, "S_DOX: N 15.0 замість N 15.2"; and a line for every field
// the layout does not have, "EXTRA: зайве поле C 5.0". Empty when they agree.
QStringList layoutDifferences(const std::vector<dbase::DbfField>& fields);

// The width of the two text fields that carry a requisite code: KOD (the payer's code) and TIN.
constexpr int codeWidth = 10;

// The record numbers (NP) of the three service records that close the file, in their order:
// the director, the chief accountant and the totals. Employee records are numbered from 1 up
// to below the first of them.
constexpr double directorNp = 99991;
constexpr double chiefNp = 99992;
constexpr double totalsNp = 99999;

} // namespace taxformat
