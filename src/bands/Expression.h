#pragma once

#include "bands/Value.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace bands {

// What an expression reads while it is evaluated: the data source's current record, the
// report's running count and the page being printed.
class ExpressionContext
{
public:
    virtual ~ExpressionContext() = default;
    // The current record's field of the named table ("Table1", "NP"); throws for an unknown one.
    virtual Value field(const QString& table, const QString& name) const = 0;
    virtual std::int64_t count() const = 0;
    virtual int pageNumber() const = 0;
};

// An expression of the report's small language, parsed once from its text:
//   IF(c, a, b)   the chosen value keeps its type
//   a or b        a >= b   a = b   a > b   a < b   a <= b   a <> b   a + b   a - b
//   Table.FIELD   COUNT   PAGENUMBER   'text'   123   1.5   ( ... )
// Keywords are case-blind. A text that is not such an expression throws core::Error.
class Expression
{
public:
    static std::shared_ptr<const Expression> parse(const QString& text);
    virtual ~Expression() = default;
    virtual Value evaluate(const ExpressionContext& context) const = 0;
};

} // namespace bands
