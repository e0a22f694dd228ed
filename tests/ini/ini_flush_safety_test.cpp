// A flush that dies or fails half-way must leave the old file as it was.
//
// A child process rewrites the settings file with a model far larger than the
// file-size limit it runs under: the kernel stops its writes at the limit,
// either by killing it (SIGXFSZ) in the middle of the flush or, with the
// signal ignored, by failing the write call with EFBIG.
#include "ini/in_out_error.h"
#include "ini_test_files.h"
#include "tests/support/small_tmpfs.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <vector>

#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr rlim_t kFileSizeLimit = 64 * 1024;
constexpr std::size_t kSmallDiskSize = 64 * 1024;
constexpr int kBigModelLines = 100000;
constexpr int kLinesPerSection = 100;
constexpr const char* kOldContent = "[Position]\r\nTop=10\r\nLeft=20\r\n\r\n"
                                    "[Other]\r\nkeep=me\r\n\r\n";

enum TChildResult { kChildFlushed = 10, kChildRaised, kChildRaisedCleanly, kChildCrashed };

void FillBigModel(TIniPlus& ini) {
    for (int i = 0; i < kBigModelLines; ++i)
        ini.WriteString("Section" + std::to_string(i / kLinesPerSection), "Key" + std::to_string(i),
                        "some value of moderate length");
}

// Runs a big flush of `path` in a child under the file-size limit; returns the
// child's wait status.
int FlushInLimitedChild(const std::string& path, bool ignoreSignal) {
    pid_t child = ::fork();
    if (child != 0)
        return child < 0 ? -1 : [child] {
            int status = 0;
            ::waitpid(child, &status, 0);
            return status;
        }();
    rlimit noCore{0, 0};
    rlimit fileSize{kFileSizeLimit, kFileSizeLimit};
    ::setrlimit(RLIMIT_CORE, &noCore);
    ::setrlimit(RLIMIT_FSIZE, &fileSize);
    std::signal(SIGXFSZ, ignoreSignal ? SIG_IGN : SIG_DFL);
    try {
        TIniPlus ini(path);
        FillBigModel(ini);
        try {
            ini.UpdateFile();
        } catch (const EInOutError& error) {
            bool clean = error.ErrorCode() == EFBIG && ini.Modified() &&
                         ini.ReadString("Other", "keep", "") == "me";
            ::_exit(clean ? kChildRaisedCleanly : kChildRaised);
        }
        ::_exit(kChildFlushed);
    } catch (...) {
        ::_exit(kChildCrashed);
    }
}

// The folder's entries in name order.
std::vector<fs::path> FolderContent(const std::string& folder) {
    std::vector<fs::path> entries{fs::directory_iterator(folder), fs::directory_iterator()};
    std::sort(entries.begin(), entries.end());
    return entries;
}

TEST(IniFlushSafety, ProcessKilledInTheMiddleOfAFlushLeavesTheOldFile) {
    TTempFolder folder;
    std::string path = folder.Put("settings.ini", kOldContent);

    int status = FlushInLimitedChild(path, false);
    ASSERT_TRUE(WIFSIGNALED(status)) << "child ended with status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);

    EXPECT_EQ(ReadWholeFile(path), kOldContent);
    // The stray temporary file proves the child died while writing.
    std::vector<fs::path> files = FolderContent(folder.Path());
    ASSERT_EQ(files.size(), 2u);
    for (const fs::path& file : files) {
        if (file != fs::path(path)) {
            EXPECT_EQ(fs::file_size(file), kFileSizeLimit);
        }
    }

    TIniPlus reread(path);
    EXPECT_EQ(reread.ReadInteger("Position", "Left", 0), 20);

    // The next save removes what the killed one left, but not the file of a
    // save still running (it holds a lock on it).
    const std::string running = folder.Put(".settings.ini.12345.tmp", "in the making");
    const int lock = ::open(running.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    reread.WriteInteger("Position", "Left", 21);
    reread.UpdateFile();
    ::close(lock);
    EXPECT_EQ(FolderContent(folder.Path()), (std::vector<fs::path>{running, path}));
}

TEST(IniFlushSafety, FailedWriteRaisesKeepsTheModelAndLeavesTheOldFile) {
    TTempFolder folder;
    std::string path = folder.Put("settings.ini", kOldContent);

    int status = FlushInLimitedChild(path, true);
    ASSERT_TRUE(WIFEXITED(status)) << "child ended with status " << status;
    EXPECT_EQ(WEXITSTATUS(status), kChildRaisedCleanly);

    EXPECT_EQ(ReadWholeFile(path), kOldContent);
    EXPECT_EQ(FolderContent(folder.Path()).size(), 1u) << "the temporary file must be removed";
}

// The disk itself full, on a file system of its own: the settings file as a
// single name and as one of two hard links.
TEST(IniFlushSafety, FullDiskFailsTheFlushAndLeavesTheOldFile) {
    testsupport::TSmallTmpfs disk(kSmallDiskSize);
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    const std::string path = disk.Path() + "/settings.ini";
    const std::string alias = disk.Path() + "/alias.ini";
    std::ofstream(path, std::ios::binary) << kOldContent;
    disk.Fill();
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "hard-linked" : "single name");
        if (linked)
            fs::create_hard_link(path, alias);
        TIniPlus ini(path);
        FillBigModel(ini);
        try {
            ini.UpdateFile();
            ADD_FAILURE() << "the flush succeeded on a full disk";
        } catch (const EInOutError& error) {
            EXPECT_EQ(error.ErrorCode(), ENOSPC);
        }
        EXPECT_EQ(ReadWholeFile(path), kOldContent);
        EXPECT_EQ(FolderContent(disk.Path()).size(), linked ? 3u : 2u);
    }
}

} // namespace
