#include "report/Zvit1Dlg.h"

#include "core/Error.h"
#include "taxfile/TaxFileFields.h"

#include <cmath>

namespace report {

namespace {

enum Fit
{
    Auto,
    Fixed,
};
enum Frame
{
    Plain,
    Box,
    Clear,
};
enum Align
{
    Left,
    Centre,
};

struct Font
{
    double size;
    bool bold = false;
};
const Font F7{7}, F8{8}, F9{9}, F10{10}, F10b{10, true}, F12b{12, true};

QString rule(int underscores)
{
    return QString(underscores, QLatin1Char('_'));
}

QString blanks(int n)
{
    return QString(n, QLatin1Char(' '));
}

ReportItem item(const char* key, ItemKind kind, double left, double top, double width,
                double height, Font font, Align align, Fit fit, Frame frame, const QString& text)
{
    ReportItem i;
    i.key = QString::fromLatin1(key);
    i.kind = kind;
    i.left = left;
    i.top = top;
    i.width = width;
    i.height = height;
    i.fontSize = font.size;
    i.bold = font.bold;
    i.centred = align == Centre;
    i.autoSize = fit == Auto;
    i.box = frame == Box;
    i.transparent = frame == Clear;
    if (kind == ItemKind::Expr)
        i.expression = Expression::parse(text);
    i.text = text;
    return i;
}

ReportItem label(const char* key, double l, double t, double w, double h, Font f, Align a, Fit fit,
                 Frame fr, const QString& text = QString())
{
    return item(key, ItemKind::Label, l, t, w, h, f, a, fit, fr, text);
}

ReportItem memo(const char* key, double l, double t, double w, double h, Font f, Align a, Fit fit,
                Frame fr, const QStringList& lines)
{
    return item(key, ItemKind::Memo, l, t, w, h, f, a, fit, fr, lines.join(QLatin1Char('\n')));
}

ReportItem expr(const char* key, double l, double t, double w, double h, Font f, Align a, Fit fit,
                const char* expression)
{
    return item(key, ItemKind::Expr, l, t, w, h, f, a, fit, Plain, QString::fromLatin1(expression));
}

ReportBand titleBand()
{
    ReportBand b{QStringLiteral("TitleBand1"), BandKind::Title, 120.65, {}};
    b.items = {
        memo("QRMemo7", 0.0, 0.0, 47.6, 10.8, F10, Left, Auto, Plain,
             {QStringLiteral("   Відмітка про одержання:"),
              QStringLiteral("(вхідний №, дата, штамп ДПІ)")}),
        memo("QRMemo10", 116.7, 2.1, 72.2, 36.2, F10, Left, Auto, Plain,
             {QStringLiteral("ЗАТВЕРДЖЕНО"), QStringLiteral("Наказ Державної податкової"),
              QStringLiteral("адміністрації України"), QStringLiteral("30.12.97 № 473"),
              QStringLiteral("в редакції наказу ДПА України"),
              QStringLiteral("від 06.01.99 № 10),"),
              QStringLiteral("Зареестровано в Міністерстві юстиції України"),
              QStringLiteral("15 березня 1999 року за № 163/3456")}),
        label("QRLabel3", 1.9, 11.9, 46.8, 6.6, F12b, Centre, Fixed, Box),
        memo("QRMemo2", 2.1, 19.1, 72.0, 8.7, F8, Left, Auto, Plain,
             {QStringLiteral("(ідентифікаційний код за ЄДРПОУ або"),
              QStringLiteral("реєстраційний (обліковий) номер платника податків)")}),
        label("QRLabel1", 1.9, 31.0, 46.8, 6.6, F12b, Centre, Fixed, Box),
        memo("QRMemo3", 2.1, 38.1, 55.3, 8.7, F8, Left, Auto, Plain,
             {QStringLiteral("(ідентифікаційний номер фізичної особи -"),
              QStringLiteral("суб'єкта підприємницької діяльності)")}),
        label("QRLabel2", 116.2, 38.1, 24.6, 4.5, F10b, Left, Auto, Plain,
              QStringLiteral("Форма № 4ВТ")),
        label("QRLabel16", 81.2, 46.3, 19.1, 5.3, F12b, Left, Auto, Plain,
              QStringLiteral("ДОВІДКА")),
        memo("QRMemo9", 31.5, 52.9, 127.0, 6.3, F10b, Left, Auto, Plain,
             {QStringLiteral(
                 "про суми виплачених доходів і утриманих з них податків фізичних осіб")}),
        label("QRLabel14", 15.1, 59.8, 161.4, 4.5, F10, Centre, Fixed, Plain),
        memo("QRMemo1", 13.8, 61.9, 163.8, 8.7, F8, Left, Auto, Clear,
             {rule(103), QStringLiteral("        (назва юридичної особи чи прізвище, ім'я, по "
                                        "батькові фізичної особи - суб'єкта підприємницької "
                                        "діяльності)")}),
        label("QRLabel13", 32.0, 70.4, 127.3, 4.5, F10, Centre, Fixed, Plain),
        memo("QRMemo4", 31.8, 72.5, 128.9, 8.7, F8, Left, Auto, Clear,
             {rule(81), blanks(36) + QStringLiteral("(назва органу державної податкової служби)")}),
        label("QRLabel12", 69.6, 81.0, 53.7, 4.5, F10, Centre, Fixed, Plain),
        memo("QRMemo5", 65.6, 83.1, 58.7, 8.7, F8, Left, Auto, Clear,
             {QStringLiteral("за") + rule(35), blanks(23) + QStringLiteral("(звітній період)")}),
        label("QRLabel15", 1.9, 88.1, 46.8, 6.6, F12b, Centre, Fixed, Box),
        memo("QRMemo8", 2.1, 95.2, 53.7, 8.7, F8, Left, Auto, Plain,
             {QStringLiteral("(ідентифікаційний код органу державної"),
              QStringLiteral("податкової служби за ЄДРПОУ)")}),
        label("QRLabel4", 2.1, 106.4, 30.4, 4.5, F10, Left, Auto, Plain,
              QStringLiteral("Працювало у штаті")),
        label("QRLabel6", 54.2, 106.4, 15.3, 4.5, F10, Left, Auto, Plain),
        label("QRLabel9", 105.6, 108.5, 5.0, 8.7, F12b, Left, Auto, Box, blanks(4)),
        label("QRLabel10", 111.9, 108.5, 5.0, 8.7, F12b, Left, Auto, Box, blanks(4)),
        label("QRLabel5", 2.1, 112.7, 45.5, 4.5, F10, Left, Auto, Plain,
              QStringLiteral("Працювало за сумісництвом")),
        label("QRLabel7", 54.2, 112.7, 15.3, 4.5, F10, Left, Auto, Plain),
        label("QRLabel8", 80.2, 112.7, 22.8, 5.3, F12b, Left, Auto, Plain,
              QStringLiteral("ПОРЦІЯ №")),
        label("QRLabel11", 120.4, 112.7, 62.4, 4.5, F7, Left, Auto, Plain,
              QStringLiteral("(заповнюється в органі державної податкової служби)")),
    };
    return b;
}

ReportBand columnHeaderBand()
{
    ReportBand b{QStringLiteral("ColumnHeaderBand1"), BandKind::ColumnHeader, 20.37, {}};
    auto cell = [](const char* key, double l, double t, double w, double h,
                   const QStringList& lines) {
        return memo(key, l, t, w, h, F10, Left, Fixed, Box, lines);
    };
    b.items = {
        cell("QRMemo6", 0.5, 1.1, 6.3, 14.0, {QStringLiteral(" №"), QStringLiteral("з/п")}),
        cell("QRMemo11", 6.3, 1.1, 38.6, 14.0, {QStringLiteral("Ідентифікаційний номер")}),
        cell("QRMemo12", 44.5, 1.1, 30.2, 14.0,
             {QStringLiteral("       Сума"), QStringLiteral("  виплаченого"),
              QStringLiteral("доходу (грн.,коп.)")}),
        cell("QRMemo13", 74.3, 1.1, 32.0, 14.0,
             {QStringLiteral("Сума утриманого"), QStringLiteral("   прибуткового"),
              QStringLiteral("податку (грн., коп.)")}),
        cell("QRMemo14", 106.1, 1.1, 15.1, 14.0,
             {QStringLiteral("Ознака"), QStringLiteral(" доходу")}),
        cell("QRMemo15", 120.9, 1.1, 34.4, 4.5, {QStringLiteral("            Дата")}),
        cell("QRMemo16", 121.2, 5.3, 16.1, 9.8,
             {QStringLiteral("прийняття"), QStringLiteral("на роботу")}),
        cell("QRMemo17", 137.1, 5.3, 18.3, 9.8,
             {QStringLiteral("звільнення"), QStringLiteral(" з роботи")}),
        cell("QRMemo18", 155.0, 1.1, 34.1, 14.0,
             {QStringLiteral("Ознака пільги щодо"), QStringLiteral("   прибуткового"),
              QStringLiteral("       податку")}),
        cell("QRMemo32", 0.5, 15.1, 6.3, 4.2, {QStringLiteral("  1")}),
        cell("QRMemo33", 6.3, 15.1, 38.6, 4.2, {blanks(18) + QStringLiteral("2")}),
        cell("QRMemo34", 44.5, 15.1, 30.2, 4.2, {blanks(14) + QStringLiteral("3")}),
        cell("QRMemo35", 74.3, 15.1, 32.0, 4.2, {blanks(15) + QStringLiteral("4")}),
        cell("QRMemo36", 106.1, 15.1, 15.1, 4.2, {blanks(7) + QStringLiteral("5")}),
        cell("QRMemo37", 121.2, 15.1, 16.1, 4.2, {blanks(7) + QStringLiteral("6")}),
        cell("QRMemo38", 137.1, 15.1, 18.3, 4.2, {blanks(8) + QStringLiteral("7")}),
        cell("QRMemo39", 155.0, 15.1, 34.1, 4.2, {blanks(15) + QStringLiteral("8")}),
    };
    return b;
}

ReportBand detailBand()
{
    ReportBand b{QStringLiteral("DetailBand1"), BandKind::Detail, 4.23, {}};
    auto column = [](const char* key, double l, double w, const char* expression) {
        return expr(key, l, 0.0, w, 4.5, F10, Centre, Fixed, expression);
    };
    b.items = {
        column("QRExpr1", 0.5, 6.1, "IF(Table1.NP >= 99991, ' X ', COUNT)"),
        column("QRExpr2", 6.3, 38.1, "IF(Table1.NP >= 99991, ' X', Table1.TIN)"),
        column("QRExpr3", 44.5, 30.4,
               "IF((Table1.NP = 99991) or (Table1.NP = 99992), 'X', Table1.S_DOX)"),
        column("QRExpr4", 74.1, 32.5,
               "IF((Table1.NP = 99991) or (Table1.NP = 99992), 'X', Table1.S_TAX)"),
        column("QRExpr5", 106.1, 14.3, "IF(Table1.NP >= 99991, 'X ', Table1.OZN_DOX)"),
        column("QRExpr6", 120.9, 15.3, "IF(Table1.NP >= 99991, 'X', Table1.D_PRIYN)"),
        column("QRExpr7", 137.8, 17.2, "IF(Table1.NP >= 99991, 'X', Table1.D_ZVILN)"),
        column("QRExpr8", 155.0, 34.1, "IF(Table1.NP >= 99991, 'X', Table1.OZN_PILG)"),
    };
    return b;
}

ReportBand summaryBand()
{
    ReportBand b{QStringLiteral("SummaryBand1"), BandKind::Summary, 65.62, {}};
    const QStringList signature{rule(12), QStringLiteral("    (підпис)")};
    const QStringList surname{rule(18), QStringLiteral("       (прізвище)")};
    const QStringList phone{rule(11), QStringLiteral("     (тел.)")};
    b.items = {
        label("QRLabel28", 0.0, 0.3, 189.2, 4.5, F10, Left, Auto, Plain, rule(102)),
        label("QRLabel31", 70.4, 7.7, 32.8, 4.5, F8, Left, Auto, Plain,
              QStringLiteral("Кількість фізичних осіб  ")),
        label("QRLabel30", 104.5, 7.7, 17.2, 4.5, F10, Left, Auto, Plain),
        label("QRLabel32", 140.2, 7.7, 47.6, 4.5, F10, Left, Auto, Plain,
              QStringLiteral("Кількість аркушів ") + rule(10)),
        label("QRLabel17", 0.0, 8.5, 25.4, 4.5, F10, Left, Auto, Plain,
              QStringLiteral("Кількість рядків")),
        expr("QRExpr9", 30.7, 8.7, 14.8, 4.5, F10, Left, Auto, "COUNT-3"),
        label("QRLabel19", 0.0, 14.8, 36.5, 4.5, F10, Left, Auto, Plain,
              QStringLiteral("Керівник підприємства")),
        label("QRLabel20", 38.1, 14.8, 33.3, 5.3, F12b, Centre, Fixed, Box),
        label("QRLabel18", 104.8, 16.7, 16.9, 4.5, F9, Left, Auto, Plain),
        label("QRLabel25", 138.6, 16.7, 16.9, 4.5, F9, Left, Auto, Plain),
        memo("QRMemo22", 80.7, 18.3, 19.3, 8.7, F8, Left, Auto, Plain, signature),
        memo("QRMemo25", 104.2, 18.3, 28.8, 8.7, F8, Left, Auto, Clear, surname),
        memo("QRMemo28", 138.1, 18.3, 17.7, 8.7, F8, Left, Auto, Clear, phone),
        memo(
            "QRMemo19", 37.6, 21.4, 33.9, 8.7, F8, Left, Auto, Plain,
            {QStringLiteral("(ідентифікаційний номер"), QStringLiteral("керівника підприємства)")}),
        label("QRLabel33", 160.3, 22.5, 24.9, 5.3, F10b, Left, Auto, Box,
              QStringLiteral("Дата подання")),
        label("QRLabel23", 104.8, 33.6, 16.9, 4.5, F9, Left, Auto, Plain),
        label("QRLabel26", 138.6, 33.6, 16.9, 4.5, F9, Left, Auto, Plain),
        label("QRLabel22", 38.1, 33.9, 33.3, 5.3, F12b, Centre, Fixed, Box),
        label("QRLabel21", 0.0, 34.9, 31.8, 4.5, F10, Left, Auto, Plain,
              QStringLiteral("Головний бухгалтер")),
        memo("QRMemo24", 80.7, 35.2, 19.3, 8.7, F8, Left, Auto, Plain, signature),
        memo("QRMemo27", 104.2, 35.2, 28.8, 8.7, F8, Left, Auto, Clear, surname),
        memo("QRMemo30", 138.1, 35.2, 17.7, 8.7, F8, Left, Auto, Clear, phone),
        memo("QRMemo31", 164.6, 35.2, 17.7, 17.2, F10, Left, Auto, Plain,
             {QStringLiteral("Наведена"), QStringLiteral("інформація"),
              QStringLiteral(" є вірною")}),
        label("QRLabel29", 0.0, 39.4, 7.7, 4.5, F10, Left, Auto, Plain, QStringLiteral("М.П.")),
        memo("QRMemo20", 38.1, 39.4, 33.1, 8.7, F8, Left, Auto, Plain,
             {QStringLiteral("(ідентифікаційний номер"), QStringLiteral("головного бухгалтера)")}),
        memo("QRMemo21", 2.1, 50.0, 43.7, 8.7, F10, Left, Auto, Plain,
             {QStringLiteral("Фізична особа - суб'єкт"),
              QStringLiteral("підприємницької діяльності")}),
        label("QRLabel24", 104.8, 50.5, 16.9, 4.5, F9, Left, Auto, Plain),
        label("QRLabel27", 138.6, 50.5, 16.9, 4.5, F9, Left, Auto, Plain),
        memo("QRMemo23", 80.7, 52.1, 19.3, 8.7, F8, Left, Auto, Plain, signature),
        memo("QRMemo26", 104.2, 52.1, 28.8, 8.7, F8, Left, Auto, Clear, surname),
        memo("QRMemo29", 138.1, 52.1, 17.7, 8.7, F8, Left, Auto, Clear, phone),
    };
    return b;
}

ReportBand pageFooterBand()
{
    ReportBand b{QStringLiteral("PageFooterBand1"), BandKind::PageFooter, 6.35, {}};
    b.items = {
        label("QRLabel35", 158.5, 1.3, 13.8, 4.5, F10, Left, Auto, Plain,
              QStringLiteral("Сторінка")),
        expr("QRExpr10", 175.4, 1.3, 10.8, 4.5, F10, Left, Fixed, "PAGENUMBER"),
    };
    return b;
}

} // namespace

ReportDefinition Zvit1Dlg::formDefinition()
{
    ReportDefinition d;
    d.bands = {titleBand(), columnHeaderBand(), detailBand(), summaryBand(), pageFooterBand()};
    return d;
}

Zvit1Dlg::Zvit1Dlg()
    : QuickRep1(formDefinition()), Table1(QStringLiteral("Table1"), taxfile::taxFileFields()),
      m_source(Table1)
{
}

Zvit1Dlg::~Zvit1Dlg() = default;

void Zvit1Dlg::openTable(const QString& dir, const QString& fileName)
{
    Table1.close();
    Table1.open(dir, fileName, dbase::Table::OpenMode::ReadOnly);
}

Value Zvit1Dlg::TableSource::field(const QString& name) const
{
    static const std::vector<dbase::FieldDecl> decls = taxfile::taxFileFields();
    for (const dbase::FieldDecl& d : decls) {
        if (d.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        switch (d.kind) {
        case dbase::DeclaredKind::Float:
            return Value::fromFloat(m_table.asFloat(d.name));
        case dbase::DeclaredKind::Smallint:
        case dbase::DeclaredKind::Integer:
            return Value::fromInteger(std::llround(m_table.asFloat(d.name)));
        case dbase::DeclaredKind::Text:
            return Value::fromText(m_table.asText(d.name));
        case dbase::DeclaredKind::Date:
            return Value::fromText(formatDate(m_table.asDate(d.name)));
        }
    }
    throw core::Error(QStringLiteral("%1: Field '%2' not found").arg(m_table.name(), name));
}

} // namespace report
