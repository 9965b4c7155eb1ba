#include "taxfile/TaxFileFields.h"

namespace taxfile {

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

} // namespace taxfile
