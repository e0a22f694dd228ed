#pragma once

#include <QString>

// Where the program keeps its data files (settings file, error log).
//
// The folder is, in this order of preference:
//  1. the folder named by the environment variable QUORVIK_DATA_DIR when it is
//     set and not empty (used by tests and portable set-ups);
//  2. the folder of the executable when the process may write to it and it
//     is no installed copy, i.e. has no desktop entry in ../share/applications
//     (a portable build);
//  3. $XDG_CONFIG_HOME/Vendrix (default ~/.config/Vendrix), because the
//     folder of an installed program is not the user's.
// The chosen folder is created when it does not exist yet; a failure to
// create it shows up when a file in it is written.
namespace datalocation {

inline constexpr const char* kDataDirVariable = "QUORVIK_DATA_DIR";
inline constexpr const char* kVendorFolder = "Vendrix";

// The data folder, without a trailing slash.
QString DataFolder();

// The data folder for an executable that lives in `exeFolder`.
QString DataFolderFor(const QString& exeFolder);

// `fileName` inside the data folder.
QString DataFilePath(const QString& fileName);

// The file name of the running executable without its folder ("quorvik").
QString ExecutableFileName();

} // namespace datalocation
