#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <vector>

namespace testsupport {

struct TemplateField
{
    const char* name;
    char type;
    int width;
    int decimals;
};

// The thirteen fields of the tax file in the layout the program expects of its template.
inline std::vector<TemplateField> taxTemplateFields()
{
    return {{"NP", 'N', 5, 0},      {"PERIOD", 'N', 1, 0},  {"RIK", 'N', 4, 0},
            {"KOD", 'C', 10, 0},    {"TYP", 'N', 1, 0},     {"TIN", 'C', 10, 0},
            {"S_DOX", 'N', 15, 2},  {"S_TAX", 'N', 15, 2},  {"OZN_DOX", 'N', 1, 0},
            {"D_PRIYN", 'D', 8, 0}, {"D_ZVILN", 'D', 8, 0}, {"OZN_PILG", 'N', 6, 0},
            {"OZNAKA", 'N', 1, 0}};
}

// Writes a dBase III table with the given fields and `records` records of blanks marked by a
// "9" in their first byte, so a test can tell template records from written ones.
inline bool writeTaxTemplate(const QString& path, int records = 0,
                             const std::vector<TemplateField>& fields = taxTemplateFields())
{
    int recordSize = 1;
    for (const auto& f : fields)
        recordSize += f.width;
    const int headerSize = 32 + 32 * int(fields.size()) + 1;
    QByteArray b(32, '\0');
    b[0] = 0x03;
    b[1] = char(101);
    b[2] = 1;
    b[3] = 1;
    for (int i = 0; i < 4; ++i)
        b[4 + i] = char((records >> (8 * i)) & 0xff);
    b[8] = char(headerSize & 0xff);
    b[9] = char(headerSize >> 8);
    b[10] = char(recordSize & 0xff);
    b[11] = char(recordSize >> 8);
    b[29] = char(0xC9);
    for (const auto& f : fields) {
        QByteArray d(32, '\0');
        const QByteArray name(f.name);
        for (int i = 0; i < name.size() && i < 10; ++i)
            d[i] = name[i];
        d[11] = f.type;
        d[16] = char(f.width);
        d[17] = char(f.decimals);
        b += d;
    }
    b += char(0x0D);
    for (int r = 0; r < records; ++r) {
        QByteArray rec(recordSize, ' ');
        rec[1] = '9';
        b += rec;
    }
    b += char(0x1A);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(b) == b.size();
}

} // namespace testsupport
