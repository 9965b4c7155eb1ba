#pragma once

#include "bands/Expression.h"

#include <QString>

#include <memory>
#include <vector>

namespace bands {

enum class ItemKind
{
    Label, // one line of text
    Memo,  // lines separated by '\n'
    Expr,  // an expression evaluated when its band is laid out
};

enum class BandKind
{
    Title,
    ColumnHeader,
    Detail,
    Summary,
    PageFooter,
};

// One printed item. Geometry is in millimetres relative to the band's top-left corner.
struct ReportItem
{
    QString key;
    ItemKind kind = ItemKind::Label;
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    double fontSize = 10; // points
    bool bold = false;
    bool centred = false;
    bool autoSize = true;     // the width follows the text; otherwise wrapped inside the width
    bool box = false;         // a 1 pt frame drawn inside the rectangle
    bool transparent = false; // no white fill beneath the text
    QString text;             // labels and memos; the expression's source for Expr
    std::shared_ptr<const Expression> expression; // Expr only
};

struct ReportBand
{
    QString key;
    BandKind kind = BandKind::Detail;
    double height = 0; // mm
    std::vector<ReportItem> items;
};

// A report: the sheet, its margins, and the bands with their items in paint order.
struct ReportDefinition
{
    double pageWidth = 210;
    double pageHeight = 297;
    double margin = 10; // on all four sides
    std::vector<ReportBand> bands;

    const ReportBand* band(BandKind kind) const;
    // The item with this key in any band, or nullptr.
    ReportItem* item(const QString& key);
    const ReportItem* item(const QString& key) const;
    // Sets the text of a run-time item; an unknown key is a programming error and throws.
    void setText(const QString& key, const QString& text);
};

} // namespace bands
