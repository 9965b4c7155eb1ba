#pragma once

#include "dbase/Table.h"

#include <vector>

namespace dbase {

// The thirteen fields of the tax file, in their order, with the kinds through which the program
// reads and writes them; the template DA.DBF must carry each of them compatibly.
std::vector<FieldDecl> taxFileFields();

} // namespace dbase
