#pragma once

#include "bands/Value.h"

#include <QString>

namespace bands {

// The records a report walks: its detail band is printed once per record, in this order.
class DataSource
{
public:
    virtual ~DataSource() = default;
    // The name by which expressions refer to it ("Table1").
    virtual QString name() const = 0;
    virtual void first() = 0;
    virtual bool eof() const = 0;
    virtual void next() = 0;
    // The current record's field; an unknown name throws core::Error.
    virtual Value field(const QString& name) const = 0;
};

} // namespace bands
