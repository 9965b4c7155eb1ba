// 4vt-check FILE...: checks 4ВТ tax files and prints what it finds, one finding a line.
// Exit status: 0 no errors (warnings allowed), 1 errors found, 2 a file could not be read.

#include "check/TaxFileCheck.h"
#include "core/Error.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cstdio>

namespace {

const char* const helpText =
    "Використання: 4vt-check ФАЙЛ...\n"
    "\n"
    "Перевіряє податкові файли форми 4ВТ (таблиці dBase, наприклад DA071401.3) до того,\n"
    "як їх подадуть до податкової інспекції, і друкує кожну знахідку окремим рядком:\n"
    "файл, рядок (порядковий номер запису у файлі) і номер запису NP, ідентифікаційний\n"
    "номер, поле і що з ним не так.\n"
    "\n"
    "Помилки (такий файл податкова інспекція не прийме):\n"
    "  - ідентифікаційні номери фізичних осіб (TIN, а також KOD фізичної особи), що не\n"
    "    проходять перевірку контрольної цифри; серія й номер паспорта або номер\n"
    "    ID-картки замість номера помилкою не вважаються;\n"
    "  - код за ЄДРПОУ (KOD юридичної особи) з невірною контрольною цифрою;\n"
    "  - номери записів NP не 1, 2, 3... підряд або без службових записів 99991,\n"
    "    99992 і 99999 у кінці саме в такому порядку;\n"
    "  - підсумки в записі 99999, що не дорівнюють сумам доходу й податку в записах\n"
    "    працівників (до копійки);\n"
    "  - поля PERIOD, RIK, KOD і TYP, що різняться між записами.\n"
    "\n"
    "Попередження (варто подивитися):\n"
    "  - ознака доходу поза межами від 1 до 8, податок більший за дохід, від'ємний дохід;\n"
    "  - дата прийняття пізніша за дату звільнення або за кінець звітного кварталу;\n"
    "  - той самий ідентифікаційний номер двічі з тією самою ознакою доходу;\n"
    "  - запис працівника без ідентифікаційного номера.\n"
    "\n"
    "Код завершення: 0 - помилок немає (попередження можуть бути), 1 - знайдено\n"
    "помилки, 2 - файл не вдалося прочитати як податковий файл (причину надруковано).\n"
    "\n"
    "  --help    показати цю довідку\n";

void print(std::FILE* to, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), to);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList files = app.arguments().mid(1);
    if (files.contains(QStringLiteral("--help")) || files.contains(QStringLiteral("-h"))) {
        print(stdout, QString::fromUtf8(helpText));
        return 0;
    }
    if (!files.isEmpty() && files.front() == QStringLiteral("--"))
        files.removeFirst();
    if (files.isEmpty()) {
        print(stderr, QStringLiteral("4vt-check: не вказано жодного файла. Довідка: 4vt-check "
                                     "--help\n"));
        return 2;
    }
    int status = 0;
    for (const QString& file : files) {
        try {
            const check::Findings findings = check::checkTaxFile(file);
            for (const check::Finding& f : findings)
                print(stdout,
                      file + QStringLiteral(": ") + check::findingLine(f) + QLatin1Char('\n'));
            if (check::countOf(findings, check::Severity::Error) > 0)
                status = std::max(status, 1);
        } catch (const core::Error& e) {
            print(stderr, QStringLiteral("4vt-check: %1: %2\n").arg(file, e.message()));
            status = 2;
        }
    }
    std::fflush(stdout);
    return status;
}
