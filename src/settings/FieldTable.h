#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace settings {

// The three pages of the settings dialog, in the order they are shown.
enum class Page
{
    Requisites,
    Link,
    Formulas
};

// The requisites are shown in bold 13-pixel type; everything else in the form font.
enum class FieldFont
{
    Form,
    Bold
};

// The register code a requisite holds, whose check digit the dialog checks as it is typed.
enum class CodeKind
{
    None,
    FirmCode,         // 8 digits, the register of enterprises
    IndividualNumber, // 10 digits, the register of individuals
};

// One edit field of the settings dialog: where it stands, how it looks, what it starts with and
// whether it survives a restart. The dialog is built from this table and the store walks it, so
// a field is declared here once.
struct FieldDef
{
    QString name;
    Page page;
    QString label; // "\n" separates the lines of a two-line label
    int labelX;
    int x;
    int y;
    int width;
    int height;
    FieldFont font;
    int maxLength; // 0: no limit
    QString defaultText;
    bool stored;
    CodeKind code = CodeKind::None;
    QString codeSubject; // how a warning about the code names the field
};

class FieldTable
{
public:
    // Every field, page by page, top to bottom.
    static const QList<FieldDef>& fields();
    // nullptr for a name that is no field.
    static const FieldDef* find(const QString& name);
    // The stored fields in the order in which they are written and read (50 of them).
    static const QStringList& storedOrder();
    // The order in which Tab walks the fields of a page.
    static QStringList tabOrder(Page page);
    // Caption of a page's tab.
    static QString pageCaption(Page page);
};

} // namespace settings
