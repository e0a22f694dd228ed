#include "tests/util/honk_fixture.h"

#include <QCoreApplication>
#include <sys/utsname.h>

namespace {

using HonkInfoTest = HonkFixture;

TEST_F(HonkInfoTest, DefaultExtUsesTheDataFolderAndTheExecutableName) {
    EXPECT_EQ(Honk.GetDefaultExt("ini"), FDir.filePath("util_tests.ini"));
}

TEST(HonkInfo, DefaultExtPathReplacesOrAppendsTheExtension) {
    for (const auto& [exe, expected] :
         {std::pair{"quorvik", "/d/quorvik.ini"}, std::pair{"Quorvik.exe", "/d/Quorvik.ini"},
          std::pair{"my.tool.bin", "/d/my.tool.ini"}, std::pair{".hidden", "/d/.hidden.ini"}})
        EXPECT_EQ(TZarvoHonk::DefaultExtPath("/d", exe, "ini"), expected) << exe;
}

TEST_F(HonkInfoTest, FontCheckIgnoresCase) {
    Honk.SetFontFamiliesQuery([] { return QStringList{"DejaVu Sans", "Tahoma"}; });
    EXPECT_TRUE(Honk.IsFontInstalled("tahoma"));
    EXPECT_TRUE(Honk.IsFontInstalled("DEJAVU SANS"));
    EXPECT_FALSE(Honk.IsFontInstalled("MS Sans Serif"));
    EXPECT_FALSE(Honk.IsFontInstalled(""));
}

TEST(HonkHardware, ColoursForEveryDepth) {
    const std::vector<std::pair<int, int>> table = {
        {1, 1},         {4, 16},        {8, 256}, {15, 32768}, {16, 65535},
        {24, 16777216}, {32, 16777216}, {2, -1},  {-1, -1},    {30, -1}};
    for (const auto& [bits, colors] : table)
        EXPECT_EQ(TZarvoHonkHardware::ColorsForBits(bits), colors) << bits << " bits";
}

TEST(HonkHardware, FakedScreenDepth) {
    TZarvoHonkHardware hardware;
    hardware.SetScreenBitsQuery([] { return 16; });
    EXPECT_EQ(hardware.ScreenColors(), 65535);
    EXPECT_FALSE(hardware.ScreenPalette());
    hardware.SetScreenBitsQuery([] { return 8; });
    EXPECT_TRUE(hardware.ScreenPalette());
}

TEST(HonkHardware, MemoryIsGroupedKilobytes) {
    const QString memory = TZarvoHonkHardware().Memory();
    ASSERT_FALSE(memory.isEmpty());
    bool ok = false;
    EXPECT_GT(QLocale::system().toLongLong(memory, &ok), 1024);
    EXPECT_TRUE(ok) << memory.toStdString();
}

TEST(HonkOS, NameAndVersionComeFromTheKernel) {
    utsname info{};
    ASSERT_EQ(uname(&info), 0);
    const TZarvoHonkOS os;
    EXPECT_EQ(os.Name(), "Linux");
    EXPECT_EQ(os.Version(), QString::fromLocal8Bit(info.release));
    EXPECT_EQ(os.MajorVer() + '.' + os.MinorVer(),
              QString::fromLocal8Bit(info.release).section('.', 0, 1));
    EXPECT_FALSE(os.IsNT());
    EXPECT_EQ(os.Get(7), "");
    EXPECT_EQ(os.Get(-1), "");
}

TEST_F(HonkInfoTest, RegisteredUserAndOrganisation) {
    qputenv("ORGANIZATION", "Beispiel GmbH");
    EXPECT_EQ(Honk.GetRegisteredUser(1), "Beispiel GmbH");
    qunsetenv("ORGANIZATION");
    EXPECT_EQ(Honk.GetRegisteredUser(1), "");
    EXPECT_FALSE(Honk.GetRegisteredUser(0).isEmpty());
    EXPECT_EQ(Honk.GetRegisteredUser(2), "");
}

TEST_F(HonkInfoTest, NoFunctionShowsItsBox) {
    EXPECT_EQ(Honk.NoFunction(), TMsgButton::Ok);
    ASSERT_EQ(Presenter.Shown.size(), 1u);
    EXPECT_EQ(Presenter.Shown[0].Text, "Dat funzt im Moment noch nich...  :-)");
    EXPECT_EQ(Presenter.Shown[0].Icon, TMsgIcon::None);
}

} // namespace
