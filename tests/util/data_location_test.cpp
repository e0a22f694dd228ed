#include "util/data_location.h"
#include "util/desktop_entry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Sets or clears an environment variable for one test and restores it.
struct ScopedEnv {
    ScopedEnv(const char* name, const QString& value) : Name(name) {
        value.isNull() ? qunsetenv(name) : qputenv(name, value.toUtf8());
    }
    ~ScopedEnv() { WasSet ? qputenv(Name, Old) : qunsetenv(Name); }
    const char* Name;
    QByteArray Old = qgetenv(Name);
    bool WasSet = qEnvironmentVariableIsSet(Name);
};

class DataLocationTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }
    QTemporaryDir FDir;
};

TEST_F(DataLocationTest, OverrideWinsAndIsCreated) {
    const QString nested = FDir.filePath("a/b");
    const ScopedEnv data(datalocation::kDataDirVariable, nested);
    EXPECT_EQ(datalocation::DataFolderFor(FDir.path()), nested);
    EXPECT_EQ(datalocation::DataFilePath("x.ini"), nested + "/x.ini");
    EXPECT_TRUE(QFileInfo(nested).isDir());
}

TEST_F(DataLocationTest, WritableExecutableFolderIsUsed) {
    const ScopedEnv data(datalocation::kDataDirVariable, QString());
    EXPECT_EQ(datalocation::DataFolderFor(FDir.path()), FDir.path());
    EXPECT_EQ(datalocation::DataFolder(), QCoreApplication::applicationDirPath());
}

TEST_F(DataLocationTest, UnwritableExecutableFolderFallsBackToTheUserConfigFolder) {
    const ScopedEnv data(datalocation::kDataDirVariable, QString());
    const ScopedEnv config("XDG_CONFIG_HOME", FDir.filePath("config"));
    // A folder that does not exist cannot be written, whoever runs the test.
    const QString folder = datalocation::DataFolderFor(FDir.filePath("missing/bin"));
    EXPECT_EQ(folder, FDir.filePath("config/Vendrix"));
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

// Root may write to /usr/bin; an installed copy must still not put its files
// among the programs.
TEST_F(DataLocationTest, InstalledCopyUsesTheUserConfigFolderEvenWhenItsFolderIsWritable) {
    const ScopedEnv data(datalocation::kDataDirVariable, QString());
    const ScopedEnv config("XDG_CONFIG_HOME", FDir.filePath("config"));
    const QString bin = FDir.filePath("usr/bin");
    const QString applications = FDir.filePath("usr/share/applications");
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(applications));
    QFile entry(applications + '/' + kDesktopEntryId + ".desktop");
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.close();
    EXPECT_EQ(datalocation::DataFolderFor(bin), FDir.filePath("config/Vendrix"));
    // Another program's entry does not make this one installed.
    ASSERT_TRUE(entry.rename(applications + "/other.desktop"));
    EXPECT_EQ(datalocation::DataFolderFor(bin), bin);
}

} // namespace
