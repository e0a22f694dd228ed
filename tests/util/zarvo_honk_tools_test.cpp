#include "tests/support/fifo_unblocker.h"
#include "tests/util/honk_fixture.h"

#include <QDir>

namespace {

TEST(HonkTools, ReplaceStrNeverRescansInsertedText) {
    EXPECT_EQ(TZarvoHonk::ReplaceStr("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(TZarvoHonk::ReplaceStr("abcabc", "bc", ""), "aa");
    EXPECT_EQ(TZarvoHonk::ReplaceStr("abc", "", "x"), "abc");
}

TEST(HonkTools, UpdateAvailablePartByPart) {
    const struct {
        const char* Current;
        const char* Offered;
        bool Expected;
    } cases[] = {{"1.01", "1.02", true},
                 {"1.10", "1.9", false},
                 {"1.0", "1.0", false},
                 {"2.0", "1.9.9", false},
                 {"1.x", "1.1", true},
                 {"1.0.0", "1", false},
                 // The comparison ends with the parts of the current version.
                 {"1.0", "1.0.1", false},
                 {"1.0.1", "1.0", false},
                 {"1", "2.0", true}};
    for (const auto& c : cases)
        EXPECT_EQ(TZarvoHonk::IsUpdateAvailable(c.Current, c.Offered), c.Expected)
            << c.Current << " -> " << c.Offered;
}

TEST(HonkTools, ExtractFileNameEx) {
    EXPECT_EQ(TZarvoHonk::ExtractFileNameEx("\\\\server\\share\\a.txt"),
              "\\\\server\\share\\a.txt");
    EXPECT_EQ(TZarvoHonk::ExtractFileNameEx("http://host/dir/page.html"), "page.html");
    EXPECT_EQ(TZarvoHonk::ExtractFileNameEx("C:\\dir\\file.txt"), "file.txt");
    EXPECT_EQ(TZarvoHonk::ExtractFileNameEx("plain"), "plain");
}

TEST(HonkTools, DivisibilityAndRandomStayInRange) {
    EXPECT_TRUE(TZarvoHonk::IsTeilbar(12, 4));
    EXPECT_FALSE(TZarvoHonk::IsTeilbar(12, 5));
    EXPECT_FALSE(TZarvoHonk::IsTeilbar(12, 0));
    EXPECT_TRUE(TZarvoHonk::IsTeilbar(std::numeric_limits<qint64>::min(), -1));
    EXPECT_EQ(TZarvoHonk::GetRandom(0), 0);
    EXPECT_EQ(TZarvoHonk::GetRandom(-3), -1);
    const int r = TZarvoHonk::GetRandom(3);
    EXPECT_TRUE(r >= 0 && r < 3);
}

using HonkFiles = HonkFixture;

TEST_F(HonkFiles, FileProbes) {
    const QString text = FDir.filePath("a.txt"), binary = FDir.filePath("b.bin"),
                  rtf = FDir.filePath("c.rtf");
    WriteAll(text, "hello");
    // A bracket is part of the name, not a character set.
    WriteAll(FDir.filePath("d[1].txt"), "abc");
    WriteAll(FDir.filePath("d1.txt"), "abcdefg");
    WriteAll(binary, QByteArray("ab\0cd", 5));
    WriteAll(rtf, "{\\rtf1 x}");
    EXPECT_FALSE(TZarvoHonk::IsFileBinary(text));
    EXPECT_TRUE(TZarvoHonk::IsFileBinary(binary));
    EXPECT_FALSE(TZarvoHonk::IsFileBinary(FDir.filePath("missing")));
    EXPECT_TRUE(TZarvoHonk::IsFileRTF(rtf));
    EXPECT_FALSE(TZarvoHonk::IsFileRTF(text));
    EXPECT_EQ(TZarvoHonk::GetFileSize(text), 5);
    EXPECT_EQ(TZarvoHonk::GetFileSize(FDir.filePath("*.bin")), 5);
    EXPECT_EQ(TZarvoHonk::GetFileSize(FDir.filePath("none*")), -1);
    EXPECT_EQ(TZarvoHonk::GetFileSize(FDir.filePath("d[1].txt")), 3);

    // A FIFO is no file to look into: no answer may wait for a writer.
    for (const auto probe : {&TZarvoHonk::IsFileBinary, &TZarvoHonk::IsFileRTF}) {
        const QString fifoPath = FDir.filePath(probe == &TZarvoHonk::IsFileRTF ? "rtf" : "bin");
        testsupport::TFifoUnblocker fifo(QFile::encodeName(fifoPath).toStdString(),
                                         std::chrono::seconds(3));
        ASSERT_TRUE(fifo.Made());
        EXPECT_FALSE(probe(fifoPath));
        EXPECT_FALSE(fifo.Fired()) << "the probe hung on the FIFO";
    }
}

TEST_F(HonkFiles, TerminateFileDeletesOnlyFilesOfMoreThanOneByte) {
    const QString big = FDir.filePath("big"), tiny = FDir.filePath("tiny");
    WriteAll(big, QByteArray(100000, 'x'));
    WriteAll(tiny, "x");
    EXPECT_TRUE(TZarvoHonk::TerminateFile(big));
    EXPECT_FALSE(QFile::exists(big));
    EXPECT_FALSE(TZarvoHonk::TerminateFile(tiny));
    EXPECT_TRUE(QFile::exists(tiny));
    EXPECT_FALSE(TZarvoHonk::TerminateFile(FDir.filePath("missing")));
}

TEST(HonkTools, DiskInfo) {
    EXPECT_GT(TZarvoHonk::GetDiskInfo(QDir::tempPath(), 1), 0);
    EXPECT_GE(TZarvoHonk::GetDiskInfo(QDir::tempPath(), 2), 0);
    EXPECT_EQ(TZarvoHonk::GetDiskInfo(QDir::tempPath(), 3), 0);
    EXPECT_EQ(TZarvoHonk::GetDiskInfo("", 1), 0);
    EXPECT_EQ(TZarvoHonk::GetDiskInfo("/no/such/path", 1), -1);
}

} // namespace
