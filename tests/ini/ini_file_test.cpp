// Binding to files: loading, when the file is written, and where program
// files live.
#include "ini/in_out_error.h"
#include "ini/ini_file_location.h"
#include "ini/module_ini_file.h"
#include "ini/program_ini_file.h"
#include "ini_test_files.h"

#include <cstdlib>
#include <filesystem>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kSettings = "[Position]\r\nTop=100\r\nLeft=100\r\n\r\n"
                                  "[Other]\r\nkeep=me\r\n\r\n";

TEST(IniFile, MissingFileIsEmptyAndIsCreatedOnlyWhenWritten) {
    TTempFolder folder;
    std::string path = folder.File("quorvik.ini");
    {
        TIniPlus ini(path);
        EXPECT_EQ(ini.ReadInteger("Position", "Top", 100), 100);
    }
    EXPECT_FALSE(fs::exists(path)) << "reading alone must not create the file";
    {
        TIniPlus ini(path);
        ini.WriteInteger("Position", "Top", 100);
        ini.WriteInteger("Position", "Left", 100);
        ini.WriteString("iUpdate", "LastCheck", "07.12.2026");
        ini.UpdateFile();
        EXPECT_FALSE(ini.Modified());
    }
    EXPECT_EQ(ReadWholeFile(path),
              "[Position]\r\nTop=100\r\nLeft=100\r\n\r\n[iUpdate]\r\nLastCheck=07.12.2026\r\n\r\n");
}

TEST(IniFile, UnchangedWriteLeavesTheFileUntouched) {
    TTempFolder folder;
    std::string path = folder.Put("quorvik.ini", kSettings);
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24);
    fs::last_write_time(path, old);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    {
        TIniPlus ini(path);
        ini.WriteInteger("Position", "Top", 100);
        ini.WriteInteger("Position", "Left", 100);
        ini.UpdateFile();
    }
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(fs::last_write_time(path), old);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the file must not have been replaced";
}

TEST(IniFile, DestructorAndEmptyWriteStringFlushAChangedModel) {
    TTempFolder folder;
    std::string path = folder.Put("a.ini", kSettings);
    {
        TIniPlus ini(path);
        ini.WriteInteger("Position", "Top", 7);
    }
    EXPECT_EQ(TIniPlus(path).ReadInteger("Position", "Top", 0), 7);

    TIniPlus ini(path);
    ini.WriteInteger("Position", "Top", 8);
    ini.WriteString("", "", "");
    EXPECT_EQ(TIniPlus(path).ReadInteger("Position", "Top", 0), 8);
    EXPECT_EQ(TIniPlus(path).ReadString("Other", "keep", ""), "me");
}

TEST(IniFile, SetFileNameFlushesTheOldFileAndLoadsTheNewOne) {
    TTempFolder folder;
    std::string first = folder.Put("first.ini", "[A]\r\nx=1\r\n");
    std::string second = folder.Put("second.ini", "[B]\r\ny=2\r\n");
    TIniPlus ini(first);
    ini.WriteString("A", "x", "changed");
    ini.SetFileName(second);
    EXPECT_FALSE(ini.Modified());
    EXPECT_FALSE(ini.HasSection("A"));
    EXPECT_EQ(ini.ReadString("B", "y", ""), "2");
    EXPECT_EQ(ReadWholeFile(first), "[A]\r\nx=changed\r\n\r\n");
}

TEST(IniFile, ReplacedFileKeepsItsPermissionsAndSymbolicLink) {
    TTempFolder folder;
    std::string target = folder.Put("real.ini", kSettings);
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    std::string link = folder.File("link.ini");
    fs::create_symlink(target, link);
    {
        TIniPlus ini(link);
        ini.WriteInteger("Position", "Top", 5);
        ini.UpdateFile();
    }
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(TIniPlus(target).ReadInteger("Position", "Top", 0), 5);
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 2)
        << "no temporary file may be left";
}

TEST(IniFile, UnreadableFileRaisesAndUnwritableFileKeepsTheModelDirty) {
    TTempFolder folder;
    fs::create_directory(folder.File("dir.ini"));
    EXPECT_THROW(TIniPlus ini(folder.File("dir.ini")), EInOutError);

    TIniPlus ini(folder.File("no/such/folder.ini"));
    ini.WriteString("S", "k", "v");
    try {
        ini.UpdateFile();
        ADD_FAILURE() << "writing into a missing folder succeeded";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.ErrorCode(), ENOENT);
    }
    EXPECT_TRUE(ini.Modified());
    EXPECT_EQ(ini.ReadString("S", "k", ""), "v");
}

// The errno value of saving a change to `path` as the user `uid`: in a child
// process when that is another user, which needs root.
int SaveAs(uid_t uid, const std::string& path) {
    constexpr int kChildFailed = 255; // no errno value
    const auto save = [&path] {
        TIniPlus ini(path);
        ini.WriteInteger("Position", "Top", 7);
        try {
            ini.UpdateFile();
            return 0;
        } catch (const EInOutError& error) {
            return error.ErrorCode();
        }
    };
    if (uid == ::geteuid())
        return save();
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped =
            ::setgroups(0, nullptr) == 0 && ::setgid(uid) == 0 && ::setuid(uid) == 0;
        ::_exit(dropped ? save() : kChildFailed);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : kChildFailed;
}

// Settings are replaced only in the caller's own file with its owner write
// bit, root included (root passes every permission check, so the owner and
// the bit must decide); a replaced file keeps its group and mode.
struct TSaveCase {
    const char* Case;
    bool OwnerIsRoot; // else the test's user: nobody when it runs as root
    mode_t Mode;
    bool SaverIsRoot;
    int Error;
};

void PrintTo(const TSaveCase& c, std::ostream* os) {
    *os << c.Case;
}

class IniFileSave : public ::testing::TestWithParam<TSaveCase> {};

TEST_P(IniFileSave, NeedsTheCallersOwnWritableFileAndKeepsGroupAndMode) {
    constexpr uid_t kRoot = 0;
    constexpr uid_t kNobody = 65534;
    constexpr gid_t kUsersGroup = 100;
    const TSaveCase& c = GetParam();
    const bool root = ::geteuid() == kRoot;
    const uid_t user = root ? kNobody : ::geteuid();
    const uid_t owner = c.OwnerIsRoot ? kRoot : user;
    const uid_t saver = c.SaverIsRoot ? kRoot : user;
    if (!root && (owner != user || saver != user))
        GTEST_SKIP() << "giving files away and acting as another user need root";
    TTempFolder folder;
    ASSERT_EQ(::chmod(folder.Path().c_str(), 0777), 0);
    const std::string path = folder.Put("quorvik.ini", kSettings);
    const gid_t group = root ? kUsersGroup : ::getegid();
    ASSERT_EQ(::chown(path.c_str(), owner, group), 0);
    ASSERT_EQ(::chmod(path.c_str(), c.Mode), 0);

    EXPECT_EQ(SaveAs(saver, path), c.Error);
    if (c.Error == 0)
        EXPECT_EQ(TIniPlus(path).ReadInteger("Position", "Top", 0), 7);
    else
        EXPECT_EQ(ReadWholeFile(path), kSettings);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, owner);
    EXPECT_EQ(info.st_gid, group);
    EXPECT_EQ(info.st_mode & 07777, c.Mode);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Owners, IniFileSave,
    ::testing::Values(TSaveCase{"OwnersReadOnlyFile", false, 0444, false, EACCES},
                      TSaveCase{"ReadOnlyForItsOwnerWritableForOthers", false, 0466, false, EACCES},
                      TSaveCase{"RootAndItsOwnReadOnlyFile", true, 0444, true, EACCES},
                      TSaveCase{"RootAndAnotherUsersFile", false, 0640, true, EACCES},
                      TSaveCase{"AnotherUsersFileWritableForAll", true, 0666, false, EACCES},
                      TSaveCase{"OwnersFileWithAGroup", false, 0640, false, 0}),
    [](const auto& info) { return std::string(info.param.Case); });

// A save through a symbolic link replaces the link's target, also one that
// does not exist yet; the other names of a hard-linked file see the new content.
TEST(IniFile, ASaveWritesThroughLinksAndKeepsHardLinks) {
    TTempFolder folder;
    const std::string path = folder.Put("quorvik.ini", kSettings);
    const std::string alias = folder.File("alias.ini");
    fs::create_hard_link(path, alias);
    fs::create_symlink("quorvik.ini", folder.File("link.ini"));
    fs::create_symlink("made.ini", folder.File("dangling.ini"));
    for (const char* name : {"link.ini", "dangling.ini"}) {
        TIniPlus ini(folder.File(name));
        ini.WriteInteger("Position", "Top", 7);
        ini.UpdateFile();
        EXPECT_TRUE(fs::is_symlink(folder.File(name))) << name;
    }
    EXPECT_EQ(TIniPlus(alias).ReadInteger("Position", "Top", 0), 7);
    EXPECT_EQ(TIniPlus(alias).ReadString("Other", "keep", ""), "me");
    EXPECT_EQ(fs::hard_link_count(path), 2u);
    EXPECT_EQ(ReadWholeFile(folder.File("made.ini")), "[Position]\r\nTop=7\r\n\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 5);
}

TEST(IniFileLocation, ExtensionIsReplacedOrAdded) {
    EXPECT_EQ(ChangeFileExt("/opt/q/Quorvik.exe", ".ini"), "/opt/q/Quorvik.ini");
    EXPECT_EQ(ChangeFileExt("/opt/q/quorvik", ".ini"), "/opt/q/quorvik.ini");
    EXPECT_EQ(ChangeFileExt("/opt/q.d/quorvik", ".ini"), "/opt/q.d/quorvik.ini");
    EXPECT_EQ(ChangeFileExt("/opt/q/a.b.c", ".ini"), "/opt/q/a.b.ini");
}

TEST(IniFileLocation, WritableFolderIsUsedElseThePerUserFolder) {
    TTempFolder folder;
    EXPECT_EQ(IniFileNameFor(folder.File("quorvik")), folder.File("quorvik.ini"));

    const std::string config = folder.File("config");
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string savedValue = saved ? saved : "";
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    const std::string name = IniFileNameFor(folder.File("absent/quorvik"));
    saved ? ::setenv("XDG_CONFIG_HOME", savedValue.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(name, config + "/Vendrix/quorvik.ini");
    EXPECT_TRUE(fs::is_directory(config + "/Vendrix")) << "the folder is created on demand";
}

TEST(IniFileLocation, ProgramAndModuleFilesSitBesideThisTestProgram) {
    std::string program = RunningProgramPath();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(fs::path(program).filename(), "ini_tests");
    EXPECT_EQ(ModulePathOf(reinterpret_cast<const void*>(&RunningProgramPath)), program);
    EXPECT_EQ(TProgramIniFile().FileName(), IniFileNameFor(program));
    EXPECT_EQ(TModuleIniFile().FileName(), IniFileNameFor(program));
}

} // namespace
