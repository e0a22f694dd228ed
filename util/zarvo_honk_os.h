#pragma once

#include <QString>

// The operating system's name and version, read afresh on every call. On
// Linux the name is "Linux", the version the kernel release from uname (for
// example "6.1.0-28-amd64"). Every getter returns "" on failure.
class TZarvoHonkOS {
public:
    enum TIndex {
        idxName,
        idxShortName,
        idxVersion,
        idxMajorVer,
        idxMinorVer,
        idxBuildNr,
        idxAddInfo
    };

    // The text for one index; "" for an unknown index.
    QString Get(int index) const;

    QString Name() const { return Get(idxName); }
    QString ShortName() const { return Get(idxShortName); }
    QString Version() const { return Get(idxVersion); }
    // The first three numbers of the kernel release.
    QString MajorVer() const { return Get(idxMajorVer); }
    QString MinorVer() const { return Get(idxMinorVer); }
    QString BuildNr() const { return Get(idxBuildNr); }
    // The kernel's build description (uname version).
    QString AddInfo() const { return Get(idxAddInfo); }
    // Always false here: only a Windows NT system reports the short name "WinNT".
    bool IsNT() const;
};
