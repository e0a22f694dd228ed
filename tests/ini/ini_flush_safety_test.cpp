// A flush that dies or fails half-way must leave the old file as it was.
//
// A child process rewrites the settings file with a model far larger than the
// file-size limit it runs under: the kernel stops its writes at the limit,
// either by killing it (SIGXFSZ) in the middle of the flush or, with the
// signal ignored, by failing the write call with EFBIG.
#include "ini/in_out_error.h"
#include "ini_test_files.h"

#include <csignal>
#include <filesystem>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr rlim_t kFileSizeLimit = 64 * 1024;
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

std::vector<fs::path> FolderContent(const std::string& folder) {
    return {fs::directory_iterator(folder), fs::directory_iterator()};
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

} // namespace
