#include "taxformat/TaxFileFields.h"

#include <algorithm>

namespace taxformat {

using dbase::DbfField;

std::vector<dbase::FieldDecl> taxFileFields()
{
    using K = dbase::DeclaredKind;
    return {
        {QStringLiteral("NP"), K::Float, 0},         {QStringLiteral("PERIOD"), K::Smallint, 0},
        {QStringLiteral("RIK"), K::Smallint, 0},     {QStringLiteral("KOD"), K::Text, codeWidth},
        {QStringLiteral("TYP"), K::Smallint, 0},     {QStringLiteral("TIN"), K::Text, codeWidth},
        {QStringLiteral("S_DOX"), K::Float, 0},      {QStringLiteral("S_TAX"), K::Float, 0},
        {QStringLiteral("OZN_DOX"), K::Smallint, 0}, {QStringLiteral("D_PRIYN"), K::Date, 0},
        {QStringLiteral("D_ZVILN"), K::Date, 0},     {QStringLiteral("OZN_PILG"), K::Smallint, 0},
        {QStringLiteral("OZNAKA"), K::Smallint, 0},
    };
}

std::vector<DbfField> taxFileLayout()
{
    const auto field = [](const char* name, char type, int width, int decimals) {
        DbfField f;
        f.name = QString::fromLatin1(name);
        f.type = type;
        f.width = width;
        f.decimals = decimals;
        return f;
    };
    return {
        field("NP", 'N', 5, 0),      field("PERIOD", 'N', 1, 0),
        field("RIK", 'N', 4, 0),     field("KOD", 'C', codeWidth, 0),
        field("TYP", 'N', 1, 0),     field("TIN", 'C', codeWidth, 0),
        field("S_DOX", 'N', 15, 2),  field("S_TAX", 'N', 15, 2),
        field("OZN_DOX", 'N', 1, 0), field("D_PRIYN", 'D', 8, 0),
        field("D_ZVILN", 'D', 8, 0), field("OZN_PILG", 'N', 6, 0),
        field("OZNAKA", 'N', 1, 0),
    };
}

QStringList layoutDifferences(const std::vector<DbfField>& fields)
{
    const auto described = [](const DbfField& f) {
        return QStringLiteral("%1 %2.%3")
            .arg(QChar::fromLatin1(f.type == 'F' ? 'N' : f.type))
            .arg(f.width)
            .arg(f.decimals);
    };
    QStringList differences;
    for (const DbfField& expected : taxFileLayout()) {
        const auto found = std::find_if(fields.begin(), fields.end(), [&](const DbfField& f) {
            return f.name.compare(expected.name, Qt::CaseInsensitive) == 0;
        });
        if (found == fields.end())
            differences << QStringLiteral("%1: немає, а має бути %2")
                               .arg(expected.name, described(expected));
        else if (described(*found) != described(expected))
            differences << QStringLiteral("%1: %2 замість %3")
                               .arg(expected.name, described(*found), described(expected));
    }
    // A field the form does not have: other readers take the file's layout as it stands.
    const std::vector<DbfField> layout = taxFileLayout();
    for (const DbfField& f : fields) {
        const bool known = std::any_of(layout.begin(), layout.end(), [&](const DbfField& e) {
            return f.name.compare(e.name, Qt::CaseInsensitive) == 0;
        });
        if (!known)
            differences << QStringLiteral("%1: зайве поле %2").arg(f.name, described(f));
    }
    return differences;
}

} // namespace taxformat
