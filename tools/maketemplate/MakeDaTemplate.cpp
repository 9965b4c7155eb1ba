// make-da-template: writes the template table DA.DBF from which every tax file is copied.
//
//     make-da-template <output file>
//
// The file is a dBase III table with the thirteen fields of the tax file and no records. It is
// written byte by byte here, without the table engine, so that the engine's reader is checked
// against a file it did not make. The output is the same on every run: the date of last update
// is fixed, so the committed demo/DA.DBF can be compared with what this program makes.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Field
{
    const char* name; // at most 10 characters
    char type;        // C text, N number, D date
    int width;
    int decimals;
};

// The widths hold every value the form can carry:
//  - NP: record numbers 1..99999 (the service records are 99991, 99992, 99999);
//  - PERIOD: the quarter 1..4; TYP: 0 legal entity, 1 natural person; OZN_DOX: income row 1..8;
//    OZNAKA: always 0;
//  - RIK: a four-digit year;
//  - KOD, TIN: ten-character codes (the program binds them only at exactly this width);
//  - S_DOX, S_TAX: amounts with kopecks, signed; 15 places hold -2147483648.00, the lowest
//    telephone number the director's record may carry, and amounts up to 999 999 999 999.99;
//  - OZN_PILG: a benefit code, any 16-bit whole number including the sign (-32768);
//  - D_PRIYN, D_ZVILN: dates, always eight characters YYYYMMDD.
const std::vector<Field> fields = {
    {"NP", 'N', 5, 0},      {"PERIOD", 'N', 1, 0},  {"RIK", 'N', 4, 0},     {"KOD", 'C', 10, 0},
    {"TYP", 'N', 1, 0},     {"TIN", 'C', 10, 0},    {"S_DOX", 'N', 15, 2},  {"S_TAX", 'N', 15, 2},
    {"OZN_DOX", 'N', 1, 0}, {"D_PRIYN", 'D', 8, 0}, {"D_ZVILN", 'D', 8, 0}, {"OZN_PILG", 'N', 6, 0},
    {"OZNAKA", 'N', 1, 0},
};

void put16(std::string& out, int value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string makeTemplate()
{
    int recordLength = 1; // the deletion flag: ' ' for a live record, '*' for a deleted one
    for (const Field& f : fields)
        recordLength += f.width;
    const int headerLength = 32 + 32 * static_cast<int>(fields.size()) + 1;

    std::string out;
    // Bytes 0..31, the table header.
    out += '\x03';                // 0: dBase III, no memo file
    out += static_cast<char>(99); // 1: date of last update, year since 1900: 1999,
    out += '\x01';                // 2:   month: January,
    out += '\x01';                // 3:   day: 1 (fixed, so that every run gives the same bytes)
    put32(out, 0);                // 4..7: number of records, little-endian: none
    put16(out, headerLength);     // 8..9: bytes before the first record
    put16(out, recordLength);     // 10..11: bytes of one record, deletion flag included
    out.append(2, '\0');          // 12..13: reserved
    out += '\0';                  // 14: no transaction in progress
    out += '\0';                  // 15: not encrypted
    out.append(12, '\0');         // 16..27: reserved for multi-user dBase
    out += '\0';                  // 28: no production index
    out += '\xC9';                // 29: language driver: Windows-1251, the code page of every text
    out.append(2, '\0');          // 30..31: reserved

    // One 32-byte descriptor per field, in the order of the record.
    for (const Field& f : fields) {
        std::string name(f.name);
        name.resize(11, '\0'); // 0..10: the name, NUL-padded (10 characters and a NUL at most)
        out += name;
        out += f.type;                        // 11: type
        put32(out, 0);                        // 12..15: field address in memory: unused
        out += static_cast<char>(f.width);    // 16: width in bytes
        out += static_cast<char>(f.decimals); // 17: decimal places (numbers only)
        out.append(2, '\0');                  // 18..19: reserved for multi-user dBase
        out += '\0';                          // 20: work area
        out.append(2, '\0');                  // 21..22: reserved
        out += '\0';                          // 23: not in a SET FIELDS list
        out.append(7, '\0');                  // 24..30: reserved
        out += '\0';                          // 31: no index tag on this field
    }
    out += '\x0D'; // the end of the descriptors; the header ends with it
    out += '\x1A'; // no records: the end-of-file mark follows the header at once
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-da-template <output file>\n");
        return 2;
    }
    const std::string bytes = makeTemplate();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "make-da-template: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
