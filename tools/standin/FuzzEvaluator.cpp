// libFuzzer harness for the stand-in's expression evaluator (clang, -DFVT_FUZZ=ON):
//   fuzz_books_evaluator -max_total_time=60 -max_len=300
// Item names arrive from outside; every input must be answered or refused without a crash, a
// hang or unbounded recursion.

#include "Books.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

const standin::Books& books()
{
    static const standin::Books b = standin::Books::load(QStringLiteral(FVT_DEMO_BOOKS));
    return b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString item =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)books().answer(item);
    return 0;
}
