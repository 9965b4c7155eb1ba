#include "settings/FieldTable.h"

#include <QHash>

namespace settings {

namespace {

constexpr int kRequisiteHeight = 24;
constexpr int kFormHeight = 21;

FieldDef requisite(const char* name, const QString& label, int y, int width, int maxLength,
                   const QString& defaultText = QString())
{
    return {QString::fromLatin1(name),
            Page::Requisites,
            label,
            8,
            288,
            y,
            width,
            kRequisiteHeight,
            FieldFont::Bold,
            maxLength,
            defaultText,
            true,
            CodeKind::None,
            QString()};
}

FieldDef withCode(FieldDef def, CodeKind code, const QString& subject)
{
    def.code = code;
    def.codeSubject = subject;
    return def;
}

FieldDef linkField(const char* name, const QString& label, int labelX, int x, int y, int width,
                   int maxLength, const QString& defaultText, bool stored)
{
    return {QString::fromLatin1(name),
            Page::Link,
            label,
            labelX,
            x,
            y,
            width,
            kFormHeight,
            FieldFont::Form,
            maxLength,
            defaultText,
            stored,
            CodeKind::None,
            QString()};
}

FieldDef formula(const QString& name, const QString& label, int labelX, int x, int y, int width,
                 const QString& defaultText)
{
    return {name,        Page::Formulas, label,          labelX,          x,
            y,           width,          kFormHeight,    FieldFont::Form, 0,
            defaultText, true,           CodeKind::None, QString()};
}

// The requisites page: the firm, its officers and the tax office.
QList<FieldDef> requisiteFields()
{
    QList<FieldDef> f;
    f << withCode(requisite("Edrpou1",
                            QStringLiteral("Ідентифікаційний код за  ЄДРПОУ або\n"
                                           "реєстраційний(обліковий) номер платника податків"),
                            8, 97, 10),
                  CodeKind::FirmCode, QStringLiteral("Код за ЄДРПОУ"))
      << withCode(requisite("pdw1",
                            QStringLiteral("Ідентифікаційний номер фізичної особи -\n"
                                           "суб'єкта підприємницької діяльності"),
                            48, 97, 10),
                  CodeKind::IndividualNumber,
                  QStringLiteral("Ідентифікаційний номер фізичної особи — підприємця"))
      << withCode(requisite("codpp1",
                            QStringLiteral("Ідентифікаційний код органу державної\n"
                                           "податкової служби за ЄДРПОУ"),
                            88, 81, 8),
                  CodeKind::FirmCode, QStringLiteral("Код податкового органу за ЄДРПОУ"))
      << requisite("NameBoss", QStringLiteral("Прізвище керівника"), 120, 257, 0)
      << withCode(requisite("codk1",
                            QStringLiteral("Ідентифікаційний номер керівника підприємства"), 152,
                            97, 10),
                  CodeKind::IndividualNumber, QStringLiteral("Ідентифікаційний номер керівника"))
      << requisite("TellBoss", QStringLiteral("Телефон  керівника (цифрами)"), 184, 121, 12,
                   QStringLiteral("0"))
      << requisite("NameShief", QStringLiteral("Прізвище гол. бухгалтера"), 216, 257, 0)
      << withCode(requisite("codb1", QStringLiteral("Ідентифікаційний номер  гол. бухгалтера"), 248,
                            89, 10),
                  CodeKind::IndividualNumber,
                  QStringLiteral("Ідентифікаційний номер головного бухгалтера"))
      << requisite("TellShief", QStringLiteral("Телефон гол. бухгалтера (цифрами)"), 280, 121, 12,
                   QStringLiteral("0"))
      << requisite("NameFirm", QStringLiteral("Назва фірми або фіз. особи"), 315, 257, 0)
      << requisite("NamePodat", QStringLiteral("Назва податкового органу"), 347, 257, 0)
      << requisite("CodRegion", QStringLiteral("Код області (2-цифри)"), 384, 33, 2)
      << requisite("CodPod",
                   QStringLiteral("Код органу державної податкової служби,\n"
                                  "куди подається довідка (2 - цифри)"),
                   416, 33, 2);
    return f;
}

// The link page: the employees asked for and where the file is unloaded to.
QList<FieldDef> linkFields()
{
    QList<FieldDef> f;
    f << linkField("FirstWoker", QStringLiteral("Інтервал номерів працівників                від"),
                   0, 240, 0, 41, 4, QStringLiteral("1"), true)
      << linkField("LastWoker", QStringLiteral("до"), 288, 312, 0, 41, 4, QStringLiteral("15"),
                   true)
      << linkField("FormWoker", QStringLiteral("Формула для визначення ідентифікаційного номера "),
                   0, 288, 32, 113, 0, QStringLiteral("СН1:&.52"), false)
      << linkField("IndNumber", QStringLiteral("Формула для визначення дати прийняття"), 0, 288, 64,
                   73, 0, QStringLiteral("СН1:&.100"), true)
      << linkField("InWoker", QStringLiteral("Формула для визначення дати звільнення"), 0, 288, 96,
                   73, 0, QStringLiteral("СН1:&.101"), true)
      << linkField("Edit1", QStringLiteral("Формула для визначення типу працівника"), 0, 288, 136,
                   73, 0, QStringLiteral("СН 1:&.35"), false)
      << linkField("DestinationA", QStringLiteral("Шлях вигрузки файла"), 0, 288, 168, 73, 0,
                   QStringLiteral("A:\\"), true);
    return f;
}

// The formulas page: income and non-payment, tax and benefit, one pair a row.
QList<FieldDef> formulaFields()
{
    QList<FieldDef> f;
    const QString incomeDefaults[8] = {
        QStringLiteral("?((СН1:&.35=1) ИЛИ (СН1:&.35=4)\\КО70.01:&-ОБ87.01,70.01:&\\0)"),
        QStringLiteral("?((СН1:&.35=2) ИЛИ (СН1:&.35=3)\\КО70.01:&\\0)"),
        QStringLiteral("ОБ87.01,70.01:&")};
    const QString taxDefaults[8] = {
        QStringLiteral("?((СН1:&.35=1) ИЛИ (СН1:&.35=4)\\ОБ70.01:&,68.01\\0)"),
        QStringLiteral("?((СН1:&.35=2) ИЛИ (СН1:&.35=3)\\ОБ70.01:&,68.01\\0)")};
    const QString benefitDefaults[8] = {QStringLiteral("СН1:&.102")};

    for (int row = 1; row <= 8; ++row) {
        const QString digit = QString::number(row);
        const int y = (row - 1) * 24;
        f << formula(QStringLiteral("f") + digit,
                     QStringLiteral("Формула \"Сума виплаченого доходу 0%1\"").arg(row), 0, 240, y,
                     177, incomeDefaults[row - 1])
          << formula(QStringLiteral("nw") + digit, QStringLiteral("Невиплата"), 424, 488, y, 65,
                     QString());
    }
    for (int row = 1; row <= 8; ++row) {
        const QString digit = QString::number(row);
        const int y = 192 + (row - 1) * 24;
        f << formula(QStringLiteral("fp") + digit,
                     QStringLiteral("Формула \"Сума утриманого податку 0%1\"").arg(row), 0, 240, y,
                     177, taxDefaults[row - 1])
          << formula(QStringLiteral("pp") + digit, QStringLiteral("Пільги"), 424, 464, y, 73,
                     benefitDefaults[row - 1]);
    }
    return f;
}

QList<FieldDef> buildFields()
{
    return requisiteFields() + linkFields() + formulaFields();
}

QStringList numbered(const char* prefix)
{
    QStringList names;
    for (int row = 1; row <= 8; ++row)
        names << QString::fromLatin1(prefix) + QString::number(row);
    return names;
}

} // namespace

const QList<FieldDef>& FieldTable::fields()
{
    static const QList<FieldDef> table = buildFields();
    return table;
}

const FieldDef* FieldTable::find(const QString& name)
{
    static const QHash<QString, const FieldDef*> index = [] {
        QHash<QString, const FieldDef*> byName;
        for (const FieldDef& def : fields())
            byName.insert(def.name, &def);
        return byName;
    }();
    return index.value(name, nullptr);
}

const QStringList& FieldTable::storedOrder()
{
    static const QStringList order = [] {
        QStringList names{
            QStringLiteral("Edrpou1"),   QStringLiteral("codb1"),     QStringLiteral("codk1"),
            QStringLiteral("codpp1"),    QStringLiteral("NameBoss"),  QStringLiteral("NameFirm"),
            QStringLiteral("NamePodat"), QStringLiteral("NameShief"), QStringLiteral("pdw1"),
            QStringLiteral("TellBoss"),  QStringLiteral("TellShief")};
        names << numbered("f") << numbered("fp");
        names << QStringLiteral("IndNumber") << QStringLiteral("InWoker");
        names << numbered("pp");
        names << QStringLiteral("CodRegion") << QStringLiteral("CodPod")
              << QStringLiteral("FirstWoker") << QStringLiteral("LastWoker");
        names << numbered("nw");
        names << QStringLiteral("DestinationA");
        return names;
    }();
    return order;
}

QStringList FieldTable::tabOrder(Page page)
{
    switch (page) {
    case Page::Requisites:
        return {
            QStringLiteral("Edrpou1"),  QStringLiteral("pdw1"),      QStringLiteral("codpp1"),
            QStringLiteral("codk1"),    QStringLiteral("NameBoss"),  QStringLiteral("TellBoss"),
            QStringLiteral("codb1"),    QStringLiteral("NameShief"), QStringLiteral("TellShief"),
            QStringLiteral("NameFirm"), QStringLiteral("NamePodat"), QStringLiteral("CodRegion"),
            QStringLiteral("CodPod")};
    case Page::Link:
        return {QStringLiteral("FirstWoker"),  QStringLiteral("IndNumber"),
                QStringLiteral("InWoker"),     QStringLiteral("LastWoker"),
                QStringLiteral("FormWoker"),   QStringLiteral("Edit1"),
                QStringLiteral("DestinationA")};
    case Page::Formulas: {
        QStringList order{QStringLiteral("f1"),  QStringLiteral("f2"),  QStringLiteral("f3"),
                          QStringLiteral("f4"),  QStringLiteral("fp3"), QStringLiteral("f5"),
                          QStringLiteral("f6"),  QStringLiteral("f7"),  QStringLiteral("f8"),
                          QStringLiteral("fp1"), QStringLiteral("fp2"), QStringLiteral("fp4"),
                          QStringLiteral("fp5"), QStringLiteral("fp6"), QStringLiteral("fp7"),
                          QStringLiteral("fp8")};
        order << numbered("pp") << numbered("nw");
        return order;
    }
    }
    return {};
}

QString FieldTable::pageCaption(Page page)
{
    switch (page) {
    case Page::Requisites:
        return QStringLiteral("Реквізити");
    case Page::Link:
        return QStringLiteral("Параметри 1С");
    case Page::Formulas:
        return QStringLiteral("Формули");
    }
    return {};
}

} // namespace settings
