#include "CheckTool.h"

#include "check/TaxFileCheck.h"
#include "core/Error.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

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
    "  - запис працівника без ідентифікаційного номера;\n"
    "  - ім'я файла не за зразком: DA, код області, код податкового органу і номер\n"
    "    файла (по дві цифри), крапка і квартал, як DA071401.3;\n"
    "  - розширення імені файла, що не збігається з кварталом PERIOD у записах.\n"
    "\n"
    "Знахідок одного роду друкується не більше 50, решту лічить окремий рядок.\n"
    "\n"
    "Код завершення: 0 - помилок немає (попередження можуть бути), 1 - знайдено\n"
    "помилки, 2 - файл не вдалося прочитати як податковий файл або він не може бути\n"
    "розрахунком (причину надруковано, наступні файли все одно перевіряються), або\n"
    "результат не вдалося записати.\n"
    "\n"
    "  -h, --help  показати цю довідку\n"
    "  --          далі лише файли, навіть ті, чиї назви починаються з -\n";

// Text as a terminal shows it harmlessly on one line: control characters (line breaks,
// escape sequences), line separators and direction overrides become \xNN or \u{NNNN}.
QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0))
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else if (u == 0x2028 || u == 0x2029 || (u >= 0x202A && u <= 0x202E) ||
                 (u >= 0x2066 && u <= 0x2069))
            out += QStringLiteral("\\u{%1}").arg(u, 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

// A file name as given, in bytes: UTF-8 where it is UTF-8, each other byte as \xNN.
QString shownName(const QByteArray& name)
{
    QString out;
    for (qsizetype i = 0; i < name.size();) {
        const auto lead = static_cast<unsigned char>(name[i]);
        const qsizetype length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        const QByteArray piece = name.mid(i, length);
        const QString decoded = QString::fromUtf8(piece);
        if (piece.size() == length && decoded.toUtf8() == piece && lead >= 0xC2 &&
            !decoded.contains(QChar::ReplacementCharacter)) {
            out += escaped(decoded);
            i += length;
        } else if (lead < 0x80) {
            out += escaped(QString(QLatin1Char(static_cast<char>(lead))));
            ++i;
        } else {
            out += QStringLiteral("\\x%1").arg(lead, 2, 16, QLatin1Char('0'));
            ++i;
        }
    }
    return out;
}

int writeError = 0; // the system's reason for the first failed write

// False once a write has failed, here or before.
bool print(std::FILE* to, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    errno = 0;
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), to);
    if (std::ferror(to) == 0)
        return true;
    if (writeError == 0)
        writeError = errno;
    return false;
}

bool flushed(std::FILE* to)
{
    errno = 0;
    if (std::fflush(to) == 0 && std::ferror(to) == 0)
        return true;
    if (writeError == 0)
        writeError = errno;
    return false;
}

} // namespace

int runCheckTool(const std::vector<QByteArray>& arguments, std::FILE* out, std::FILE* err)
{
    writeError = 0;
    std::vector<QByteArray> files;
    bool options = true;
    for (const QByteArray& arg : arguments) {
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "-h" || arg == "--help")) {
            print(out, QString::fromUtf8(helpText));
            if (!flushed(out)) {
                print(err, QStringLiteral("4vt-check: не вдалося вивести довідку.\n"));
                return 2;
            }
            return 0;
        } else if (options && arg.size() > 1 && arg.startsWith('-')) {
            print(err, QStringLiteral("4vt-check: невідомий параметр %1. Довідка: 4vt-check "
                                      "--help\n")
                           .arg(shownName(arg)));
            return 2;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        print(err, QStringLiteral("4vt-check: не вказано жодного файла. Довідка: 4vt-check "
                                  "--help\n"));
        return 2;
    }
    int status = 0;
    bool written = true;
    for (const QByteArray& file : files) {
        const QString name = shownName(file);
        try {
            const check::Findings findings = check::checkTaxFileNamed(file);
            for (const check::Finding& f : findings)
                written = print(out, name + QStringLiteral(": ") + escaped(check::findingLine(f)) +
                                         QLatin1Char('\n')) &&
                          written;
            if (check::countOf(findings, check::Severity::Error) > 0)
                status = std::max(status, 1);
        } catch (const core::Error& e) {
            print(err, QStringLiteral("4vt-check: %1: %2\n").arg(name, escaped(e.message())));
            status = 2;
        }
        if (!written)
            break;
    }
    if (!flushed(out) || !written) {
        print(err, QStringLiteral("4vt-check: не вдалося записати результат перевірки: %1\n")
                       .arg(QString::fromLocal8Bit(std::strerror(writeError ? writeError : EIO))));
        return 2;
    }
    return status;
}
