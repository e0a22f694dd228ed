#pragma once

#include "base/unique_fd.h"

#include <optional>
#include <string>
#include <string_view>

#include <sys/stat.h>

// New content for a file, written beside it and put in its place by Commit, so
// that a failed write (a full disk, a quota, the file-size limit) leaves the
// old file as it was. Failures throw EInOutError with the errno value.
//
// - A symbolic link is followed, also one whose target does not exist yet: the
//   link stays and its target gets the content.
// - Who may replace a file is the rule's choice (below); anything but a
//   regular file fails with EINVAL (EISDIR for a folder).
// - Owner, group and mode stay. Normally the new file is renamed over the old
//   one: readers and a crash see either the old or the new content. A file
//   with more than one name (hard links), or one whose owner or group this
//   process cannot give to a new file, is instead overwritten in place from the
//   finished new content, so that it keeps its links and its owner. The space
//   for that is reserved first, so a full disk still fails before the first
//   byte changes; only an I/O error in the middle can leave a mix then. Where
//   space cannot be reserved, the file is replaced by rename after all.
// - The new content waits in ".<name>.<number>.tmp" beside the file, locked
//   while its writer lives. One left by a writer that died is removed by the
//   next replacement of the same file.
class TFileReplacement {
public:
    enum class TRule {
        // Wherever writing into the file would be allowed: root may rewrite a
        // read-only file, which stays read-only.
        WhereWritable,
        // Only the caller's own file with its owner write bit set, root
        // included: a file its owner made read-only, or another user's file,
        // is never replaced. Fails with EACCES.
        OwnFileOnly,
    };

    // Checks the file and creates the temporary file.
    explicit TFileReplacement(const std::string& path, TRule rule = TRule::WhereWritable);
    // Without Commit the file stays as it was.
    ~TFileReplacement();

    TFileReplacement(const TFileReplacement&) = delete;
    TFileReplacement& operator=(const TFileReplacement&) = delete;

    void Write(std::string_view bytes);
    // Puts the content written into the file's place. Once only.
    void Commit();

private:
    // Throws EInOutError with errno.
    [[noreturn]] void Fail(const char* what) const;
    void CreateTempFile();
    // Gives the temporary file the old file's owner, group and mode, or
    // decides for the write in place.
    void KeepOwnerAndMode();
    void Rename();
    // False when the file system cannot reserve room; nothing changed then.
    bool OverwriteInPlace();

    std::string FTarget;
    std::string FTempPath; // empty once renamed into place
    std::optional<TUniqueFd> FFd;
    bool FExists = false;
    bool FInPlace = false;
    struct stat FOld {};
    off_t FSize = 0;
};
