#pragma once

#include "dbase/Table.h"

#include <vector>

namespace taxfile {

// The thirteen fields of the tax file, in their order, with the kinds through which the program
// reads and writes them; the template DA.DBF must carry each of them compatibly.
std::vector<dbase::FieldDecl> taxFileFields();

// The width of the two text fields that carry a requisite code: KOD (the payer's code) and TIN.
constexpr int codeWidth = 10;

// The record numbers (NP) of the three service records that close the file, in their order:
// the director, the chief accountant and the totals. Employee records are numbered from 1 up
// to below the first of them.
constexpr double directorNp = 99991;
constexpr double chiefNp = 99992;
constexpr double totalsNp = 99999;

} // namespace taxfile
