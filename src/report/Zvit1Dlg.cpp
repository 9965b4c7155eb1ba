#include "report/Zvit1Dlg.h"

#include "core/Error.h"
#include "taxformat/TaxFileFields.h"

#include <cmath>
#include <vector>

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

// One item of the form as its table gives it: millimetres from its band's top-left corner, and
// its content: a label's text, a memo's lines or an expression's source. Run-time items are
// empty labels, filled by the printing.
struct Item
{
    const char* key;
    double left;
    double top;
    double width;
    double height;
    Font font = F10;
    Align align = Left;
    Fit fit = Auto;
    Frame frame = Plain;
    QString text = {};
    QStringList lines = {};
    const char* expression = nullptr;
};

using Items = std::vector<Item>;

// The items of a band given in parts, in their order.
Items joined(std::initializer_list<Items> parts)
{
    Items all;
    for (const Items& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

bands::ReportBand band(const char* key, bands::BandKind kind, double height, const Items& items)
{
    bands::ReportBand b{QString::fromLatin1(key), kind, height, {}};
    b.items.reserve(items.size());
    for (const Item& i : items) {
        bands::ReportItem r;
        r.key = QString::fromLatin1(i.key);
        r.kind = i.expression        ? bands::ItemKind::Expr
                 : i.lines.isEmpty() ? bands::ItemKind::Label
                                     : bands::ItemKind::Memo;
        r.left = i.left;
        r.top = i.top;
        r.width = i.width;
        r.height = i.height;
        r.fontSize = i.font.size;
        r.bold = i.font.bold;
        r.centred = i.align == Centre;
        r.autoSize = i.fit == Auto;
        r.box = i.frame == Box;
        r.transparent = i.frame == Clear;
        if (i.expression) {
            r.text = QString::fromLatin1(i.expression);
            r.expression = bands::Expression::parse(r.text);
        } else {
            r.text = i.lines.isEmpty() ? i.text : i.lines.join(QLatin1Char('\n'));
        }
        b.items.push_back(std::move(r));
    }
    return b;
}

// The reception mark, the approval, the payer's codes and the form's name.
Items titleHeading()
{
    // clang-format off
    return {
        {.key = "QRMemo7", .left = 0.0, .top = 0.0, .width = 47.6, .height = 10.8,
         .lines = {"   Відмітка про одержання:", "(вхідний №, дата, штамп ДПІ)"}},
        {.key = "QRMemo10", .left = 116.7, .top = 2.1, .width = 72.2, .height = 36.2,
         .lines = {"ЗАТВЕРДЖЕНО",
                   "Наказ Державної податкової",
                   "адміністрації України",
                   "30.12.97 № 473",
                   "в редакції наказу ДПА України",
                   "від 06.01.99 № 10),",
                   "Зареестровано в Міністерстві юстиції України",
                   "15 березня 1999 року за № 163/3456"}},
        {.key = "QRLabel3", .left = 1.9, .top = 11.9, .width = 46.8, .height = 6.6,
         .font = F12b, .align = Centre, .fit = Fixed, .frame = Box},
        {.key = "QRMemo2", .left = 2.1, .top = 19.1, .width = 72.0, .height = 8.7, .font = F8,
         .lines = {"(ідентифікаційний код за ЄДРПОУ або",
                   "реєстраційний (обліковий) номер платника податків)"}},
        {.key = "QRLabel1", .left = 1.9, .top = 31.0, .width = 46.8, .height = 6.6,
         .font = F12b, .align = Centre, .fit = Fixed, .frame = Box},
        {.key = "QRMemo3", .left = 2.1, .top = 38.1, .width = 55.3, .height = 8.7, .font = F8,
         .lines = {"(ідентифікаційний номер фізичної особи -",
                   "суб'єкта підприємницької діяльності)"}},
        {.key = "QRLabel2", .left = 116.2, .top = 38.1, .width = 24.6, .height = 4.5, .font = F10b,
         .text = "Форма № 4ВТ"},
        {.key = "QRLabel16", .left = 81.2, .top = 46.3, .width = 19.1, .height = 5.3, .font = F12b,
         .text = "ДОВІДКА"},
        {.key = "QRMemo9", .left = 31.5, .top = 52.9, .width = 127.0, .height = 6.3, .font = F10b,
         .lines = {"про суми виплачених доходів і утриманих з них податків фізичних осіб"}},
    };
    // clang-format on
}

// Who files the return, to which tax office, for which period.
Items titleAddressees()
{
    // clang-format off
    return {
        {.key = "QRLabel14", .left = 15.1, .top = 59.8, .width = 161.4, .height = 4.5,
         .align = Centre, .fit = Fixed},
        {.key = "QRMemo1", .left = 13.8, .top = 61.9, .width = 163.8, .height = 8.7,
         .font = F8, .frame = Clear,
         .lines = {rule(103),
                   "        (назва юридичної особи чи прізвище, ім'я, по батькові фізичної особи - "
                   "суб'єкта підприємницької діяльності)"}},
        {.key = "QRLabel13", .left = 32.0, .top = 70.4, .width = 127.3, .height = 4.5,
         .align = Centre, .fit = Fixed},
        {.key = "QRMemo4", .left = 31.8, .top = 72.5, .width = 128.9, .height = 8.7,
         .font = F8, .frame = Clear,
         .lines = {rule(81),
                   blanks(36) + QStringLiteral("(назва органу державної податкової служби)")}},
        {.key = "QRLabel12", .left = 69.6, .top = 81.0, .width = 53.7, .height = 4.5,
         .align = Centre, .fit = Fixed},
        {.key = "QRMemo5", .left = 65.6, .top = 83.1, .width = 58.7, .height = 8.7,
         .font = F8, .frame = Clear,
         .lines = {QStringLiteral("за") + rule(35),
                   blanks(23) + QStringLiteral("(звітній період)")}},
        {.key = "QRLabel15", .left = 1.9, .top = 88.1, .width = 46.8, .height = 6.6,
         .font = F12b, .align = Centre, .fit = Fixed, .frame = Box},
        {.key = "QRMemo8", .left = 2.1, .top = 95.2, .width = 53.7, .height = 8.7, .font = F8,
         .lines = {"(ідентифікаційний код органу державної", "податкової служби за ЄДРПОУ)"}},
    };
    // clang-format on
}

// The staff counts and the portion number.
Items titleStaff()
{
    // clang-format off
    return {
        {.key = "QRLabel4", .left = 2.1, .top = 106.4, .width = 30.4, .height = 4.5,
         .text = "Працювало у штаті"},
        {.key = "QRLabel6", .left = 54.2, .top = 106.4, .width = 15.3, .height = 4.5},
        {.key = "QRLabel9", .left = 105.6, .top = 108.5, .width = 5.0, .height = 8.7,
         .font = F12b, .frame = Box,
         .text = blanks(4)},
        {.key = "QRLabel10", .left = 111.9, .top = 108.5, .width = 5.0, .height = 8.7,
         .font = F12b, .frame = Box,
         .text = blanks(4)},
        {.key = "QRLabel5", .left = 2.1, .top = 112.7, .width = 45.5, .height = 4.5,
         .text = "Працювало за сумісництвом"},
        {.key = "QRLabel7", .left = 54.2, .top = 112.7, .width = 15.3, .height = 4.5},
        {.key = "QRLabel8", .left = 80.2, .top = 112.7, .width = 22.8, .height = 5.3, .font = F12b,
         .text = "ПОРЦІЯ №"},
        {.key = "QRLabel11", .left = 120.4, .top = 112.7, .width = 62.4, .height = 4.5, .font = F7,
         .text = "(заповнюється в органі державної податкової служби)"},
    };
    // clang-format on
}

bands::ReportBand titleBand()
{
    return band("TitleBand1", bands::BandKind::Title, 120.65,
                joined({titleHeading(), titleAddressees(), titleStaff()}));
}

bands::ReportBand columnHeaderBand()
{
    // clang-format off
    return band("ColumnHeaderBand1", bands::BandKind::ColumnHeader, 20.37, {
        {.key = "QRMemo6", .left = 0.5, .top = 1.1, .width = 6.3, .height = 14.0,
         .fit = Fixed, .frame = Box,
         .lines = {" №", "з/п"}},
        {.key = "QRMemo11", .left = 6.3, .top = 1.1, .width = 38.6, .height = 14.0,
         .fit = Fixed, .frame = Box,
         .lines = {"Ідентифікаційний номер"}},
        {.key = "QRMemo12", .left = 44.5, .top = 1.1, .width = 30.2, .height = 14.0,
         .fit = Fixed, .frame = Box,
         .lines = {"       Сума", "  виплаченого", "доходу (грн.,коп.)"}},
        {.key = "QRMemo13", .left = 74.3, .top = 1.1, .width = 32.0, .height = 14.0,
         .fit = Fixed, .frame = Box,
         .lines = {"Сума утриманого", "   прибуткового", "податку (грн., коп.)"}},
        {.key = "QRMemo14", .left = 106.1, .top = 1.1, .width = 15.1, .height = 14.0,
         .fit = Fixed, .frame = Box,
         .lines = {"Ознака", " доходу"}},
        {.key = "QRMemo15", .left = 120.9, .top = 1.1, .width = 34.4, .height = 4.5,
         .fit = Fixed, .frame = Box,
         .lines = {"            Дата"}},
        {.key = "QRMemo16", .left = 121.2, .top = 5.3, .width = 16.1, .height = 9.8,
         .fit = Fixed, .frame = Box,
         .lines = {"прийняття", "на роботу"}},
        {.key = "QRMemo17", .left = 137.1, .top = 5.3, .width = 18.3, .height = 9.8,
         .fit = Fixed, .frame = Box,
         .lines = {"звільнення", " з роботи"}},
        {.key = "QRMemo18", .left = 155.0, .top = 1.1, .width = 34.1, .height = 14.0,
         .fit = Fixed, .frame = Box,
         .lines = {"Ознака пільги щодо", "   прибуткового", "       податку"}},
        {.key = "QRMemo32", .left = 0.5, .top = 15.1, .width = 6.3, .height = 4.2,
         .fit = Fixed, .frame = Box,
         .lines = {"  1"}},
        {.key = "QRMemo33", .left = 6.3, .top = 15.1, .width = 38.6, .height = 4.2,
         .fit = Fixed, .frame = Box,
         .lines = {blanks(18) + QStringLiteral("2")}},
        {.key = "QRMemo34", .left = 44.5, .top = 15.1, .width = 30.2, .height = 4.2,
         .fit = Fixed, .frame = Box,
         .lines = {blanks(14) + QStringLiteral("3")}},
        {.key = "QRMemo35", .left = 74.3, .top = 15.1, .width = 32.0, .height = 4.2,
         .fit = Fixed, .frame = Box,
         .lines = {blanks(15) + QStringLiteral("4")}},
        {.key = "QRMemo36", .left = 106.1, .top = 15.1, .width = 15.1, .height = 4.2,
         .fit = Fixed, .frame = Box,
         .lines = {blanks(7) + QStringLiteral("5")}},
        {.key = "QRMemo37", .left = 121.2, .top = 15.1, .width = 16.1, .height = 4.2,
         .fit = Fixed, .frame = Box,
         .lines = {blanks(7) + QStringLiteral("6")}},
        {.key = "QRMemo38", .left = 137.1, .top = 15.1, .width = 18.3, .height = 4.2,
         .fit = Fixed, .frame = Box,
         .lines = {blanks(8) + QStringLiteral("7")}},
        {.key = "QRMemo39", .left = 155.0, .top = 15.1, .width = 34.1, .height = 4.2,
         .fit = Fixed, .frame = Box,
         .lines = {blanks(15) + QStringLiteral("8")}},
    });
    // clang-format on
}

bands::ReportBand detailBand()
{
    // clang-format off
    return band("DetailBand1", bands::BandKind::Detail, 4.23, {
        {.key = "QRExpr1", .left = 0.5, .top = 0.0, .width = 6.1, .height = 4.5,
         .align = Centre, .fit = Fixed,
         .expression = "IF(Table1.NP >= 99991, ' X ', COUNT)"},
        {.key = "QRExpr2", .left = 6.3, .top = 0.0, .width = 38.1, .height = 4.5,
         .align = Centre, .fit = Fixed,
         .expression = "IF(Table1.NP >= 99991, ' X', Table1.TIN)"},
        {.key = "QRExpr3", .left = 44.5, .top = 0.0, .width = 30.4, .height = 4.5,
         .align = Centre, .fit = Fixed,
         .expression = "IF((Table1.NP = 99991) or (Table1.NP = 99992), 'X', Table1.S_DOX)"},
        {.key = "QRExpr4", .left = 74.1, .top = 0.0, .width = 32.5, .height = 4.5,
         .align = Centre, .fit = Fixed,
         .expression = "IF((Table1.NP = 99991) or (Table1.NP = 99992), 'X', Table1.S_TAX)"},
        {.key = "QRExpr5", .left = 106.1, .top = 0.0, .width = 14.3, .height = 4.5,
         .align = Centre, .fit = Fixed,
         .expression = "IF(Table1.NP >= 99991, 'X ', Table1.OZN_DOX)"},
        {.key = "QRExpr6", .left = 120.9, .top = 0.0, .width = 15.3, .height = 4.5,
         .align = Centre, .fit = Fixed,
         .expression = "IF(Table1.NP >= 99991, 'X', Table1.D_PRIYN)"},
        {.key = "QRExpr7", .left = 137.8, .top = 0.0, .width = 17.2, .height = 4.5,
         .align = Centre, .fit = Fixed,
         .expression = "IF(Table1.NP >= 99991, 'X', Table1.D_ZVILN)"},
        {.key = "QRExpr8", .left = 155.0, .top = 0.0, .width = 34.1, .height = 4.5,
         .align = Centre, .fit = Fixed,
         .expression = "IF(Table1.NP >= 99991, 'X', Table1.OZN_PILG)"},
    });
    // clang-format on
}

// The captions under a signatory's signature, surname and telephone.
struct Signing
{
    QStringList signature{rule(12), QStringLiteral("    (підпис)")};
    QStringList surname{rule(18), QStringLiteral("       (прізвище)")};
    QStringList phone{rule(11), QStringLiteral("     (тел.)")};
};

// The counts under the table and the director's signature.
Items summaryDirector()
{
    const Signing s;
    // clang-format off
    return {
        {.key = "QRLabel28", .left = 0.0, .top = 0.3, .width = 189.2, .height = 4.5,
         .text = rule(102)},
        {.key = "QRLabel31", .left = 70.4, .top = 7.7, .width = 32.8, .height = 4.5, .font = F8,
         .text = "Кількість фізичних осіб  "},
        {.key = "QRLabel30", .left = 104.5, .top = 7.7, .width = 17.2, .height = 4.5},
        {.key = "QRLabel32", .left = 140.2, .top = 7.7, .width = 47.6, .height = 4.5,
         .text = QStringLiteral("Кількість аркушів ") + rule(10)},
        {.key = "QRLabel17", .left = 0.0, .top = 8.5, .width = 25.4, .height = 4.5,
         .text = "Кількість рядків"},
        {.key = "QRExpr9", .left = 30.7, .top = 8.7, .width = 14.8, .height = 4.5,
         .expression = "COUNT-3"},
        {.key = "QRLabel19", .left = 0.0, .top = 14.8, .width = 36.5, .height = 4.5,
         .text = "Керівник підприємства"},
        {.key = "QRLabel20", .left = 38.1, .top = 14.8, .width = 33.3, .height = 5.3,
         .font = F12b, .align = Centre, .fit = Fixed, .frame = Box},
        {.key = "QRLabel18", .left = 104.8, .top = 16.7, .width = 16.9, .height = 4.5, .font = F9},
        {.key = "QRLabel25", .left = 138.6, .top = 16.7, .width = 16.9, .height = 4.5, .font = F9},
        {.key = "QRMemo22", .left = 80.7, .top = 18.3, .width = 19.3, .height = 8.7, .font = F8,
         .lines = s.signature},
        {.key = "QRMemo25", .left = 104.2, .top = 18.3, .width = 28.8, .height = 8.7,
         .font = F8, .frame = Clear,
         .lines = s.surname},
        {.key = "QRMemo28", .left = 138.1, .top = 18.3, .width = 17.7, .height = 8.7,
         .font = F8, .frame = Clear,
         .lines = s.phone},
        {.key = "QRMemo19", .left = 37.6, .top = 21.4, .width = 33.9, .height = 8.7, .font = F8,
         .lines = {"(ідентифікаційний номер", "керівника підприємства)"}},
        {.key = "QRLabel33", .left = 160.3, .top = 22.5, .width = 24.9, .height = 5.3,
         .font = F10b, .frame = Box,
         .text = "Дата подання"},
    };
    // clang-format on
}

// The chief accountant's signature and the individual entrepreneur's.
Items summaryAccountant()
{
    const Signing s;
    // clang-format off
    return {
        {.key = "QRLabel23", .left = 104.8, .top = 33.6, .width = 16.9, .height = 4.5, .font = F9},
        {.key = "QRLabel26", .left = 138.6, .top = 33.6, .width = 16.9, .height = 4.5, .font = F9},
        {.key = "QRLabel22", .left = 38.1, .top = 33.9, .width = 33.3, .height = 5.3,
         .font = F12b, .align = Centre, .fit = Fixed, .frame = Box},
        {.key = "QRLabel21", .left = 0.0, .top = 34.9, .width = 31.8, .height = 4.5,
         .text = "Головний бухгалтер"},
        {.key = "QRMemo24", .left = 80.7, .top = 35.2, .width = 19.3, .height = 8.7, .font = F8,
         .lines = s.signature},
        {.key = "QRMemo27", .left = 104.2, .top = 35.2, .width = 28.8, .height = 8.7,
         .font = F8, .frame = Clear,
         .lines = s.surname},
        {.key = "QRMemo30", .left = 138.1, .top = 35.2, .width = 17.7, .height = 8.7,
         .font = F8, .frame = Clear,
         .lines = s.phone},
        {.key = "QRMemo31", .left = 164.6, .top = 35.2, .width = 17.7, .height = 17.2,
         .lines = {"Наведена", "інформація", " є вірною"}},
        {.key = "QRLabel29", .left = 0.0, .top = 39.4, .width = 7.7, .height = 4.5, .text = "М.П."},
        {.key = "QRMemo20", .left = 38.1, .top = 39.4, .width = 33.1, .height = 8.7, .font = F8,
         .lines = {"(ідентифікаційний номер", "головного бухгалтера)"}},
        {.key = "QRMemo21", .left = 2.1, .top = 50.0, .width = 43.7, .height = 8.7,
         .lines = {"Фізична особа - суб'єкт", "підприємницької діяльності"}},
        {.key = "QRLabel24", .left = 104.8, .top = 50.5, .width = 16.9, .height = 4.5, .font = F9},
        {.key = "QRLabel27", .left = 138.6, .top = 50.5, .width = 16.9, .height = 4.5, .font = F9},
        {.key = "QRMemo23", .left = 80.7, .top = 52.1, .width = 19.3, .height = 8.7, .font = F8,
         .lines = s.signature},
        {.key = "QRMemo26", .left = 104.2, .top = 52.1, .width = 28.8, .height = 8.7,
         .font = F8, .frame = Clear,
         .lines = s.surname},
        {.key = "QRMemo29", .left = 138.1, .top = 52.1, .width = 17.7, .height = 8.7,
         .font = F8, .frame = Clear,
         .lines = s.phone},
    };
    // clang-format on
}

bands::ReportBand summaryBand()
{
    return band("SummaryBand1", bands::BandKind::Summary, 65.62,
                joined({summaryDirector(), summaryAccountant()}));
}

bands::ReportBand pageFooterBand()
{
    // clang-format off
    return band("PageFooterBand1", bands::BandKind::PageFooter, 6.35, {
        {.key = "QRLabel35", .left = 158.5, .top = 1.3, .width = 13.8, .height = 4.5,
         .text = "Сторінка"},
        {.key = "QRExpr10", .left = 175.4, .top = 1.3, .width = 10.8, .height = 4.5, .fit = Fixed,
         .expression = "PAGENUMBER"},
    });
    // clang-format on
}

} // namespace

bands::ReportDefinition Zvit1Dlg::formDefinition()
{
    bands::ReportDefinition d;
    d.bands = {titleBand(), columnHeaderBand(), detailBand(), summaryBand(), pageFooterBand()};
    return d;
}

Zvit1Dlg::Zvit1Dlg()
    : QuickRep1(formDefinition()), Table1(QStringLiteral("Table1"), taxformat::taxFileFields()),
      m_source(Table1)
{
}

Zvit1Dlg::~Zvit1Dlg() = default;

void Zvit1Dlg::openTable(const QString& dir, const QString& fileName)
{
    Table1.close();
    Table1.open(dir, fileName, dbase::Table::OpenMode::ReadOnly);
}

bands::Value Zvit1Dlg::TableSource::field(const QString& name) const
{
    static const std::vector<dbase::FieldDecl> decls = taxformat::taxFileFields();
    for (const dbase::FieldDecl& d : decls) {
        if (d.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        switch (d.kind) {
        case dbase::DeclaredKind::Float:
            return bands::Value::fromFloat(m_table.asFloat(d.name));
        case dbase::DeclaredKind::Smallint:
        case dbase::DeclaredKind::Integer:
            return bands::Value::fromInteger(std::llround(m_table.asFloat(d.name)));
        case dbase::DeclaredKind::Text:
            return bands::Value::fromText(m_table.asText(d.name));
        case dbase::DeclaredKind::Date:
            return bands::Value::fromText(bands::formatDate(m_table.asDate(d.name)));
        }
    }
    throw core::Error(QStringLiteral("%1: Field '%2' not found").arg(m_table.name(), name));
}

} // namespace report
