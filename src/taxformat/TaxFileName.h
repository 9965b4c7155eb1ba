#pragma once

#include <QString>

namespace taxformat {

// The name (without directory) of the last tax file a run built in this process. Empty until
// the first run; set even when that run later fails, so the copy and the printed form can still
// find what was written.
QString& TaxFileName();

// The directory the tax file is written to, read from and copied from, with its trailing
// separator; the folder as named even when it is not there (the run then says so).
QString tempDirectory();

// "DA" + region code + tax office code + two-digit file number + "." + quarter (kwartal 0..3).
// The texts are used as they stand; a file number shorter than two characters gets one "0"
// before it. Pieces that would turn the name into a path or into a name Windows cannot carry
// are refused with core::Error, so a stray setting can never write outside tempDirectory().
QString buildTaxFileName(const QString& codRegion, const QString& codPod, const QString& nperiod,
                         int kwartal);

} // namespace taxformat
