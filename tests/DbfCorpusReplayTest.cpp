#include "support/ScopedEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// Every seed of the fuzzer's corpus goes through the fuzzer's own entry point, so that a seed
// which once crashed the reader keeps being read in every ordinary build.
TEST(DbfCorpusReplay, EverySeedIsReadWithoutFault)
{
    // The entry point reads each input from a scratch file in the temporary directory.
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const testsupport::EnvironmentVariable tmpdir("TMPDIR", QFile::encodeName(scratch.path()));
    const QDir corpus(QStringLiteral(FVT_DBF_CORPUS));
    const QStringList seeds = corpus.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(seeds.size(), 10);
    for (const QString& seed : seeds) {
        QFile f(corpus.filePath(seed));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << seed.toStdString();
        const QByteArray bytes = f.readAll();
        SCOPED_TRACE(seed.toStdString());
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                         static_cast<std::size_t>(bytes.size())),
                  0);
    }
    EXPECT_TRUE(QDir(scratch.path()).isEmpty()) << "the scratch file is removed after each input";
}
