#pragma once

#include <QHash>
#include <QString>
#include <deque>

namespace zarvento::ftp {

// A date-time as a day count with a fraction from 30 December 1899 00:00 (1.5 is 31 December
// 1899 12:00).
using DateValue = double;

// One entry of a remote folder listing.
struct cDirItem {
    bool ReadOnly = false;
    bool Hidden = false;
    bool System = false;
    bool Directory = false;
    bool Archive = false;
    bool Normal = false;
    bool Temporary = false;
    bool Compressed = false;
    bool Offline = false;
    DateValue CreationTime = 0;
    DateValue LastAccessTime = 0;
    DateValue LastWriteTime = 0;
    qint64 FileSize = 0;
    QString filename;
};

// File attribute bits as listings report them.
enum FileAttribute : qint32 {
    kAttributeReadOnly = 0x1,
    kAttributeHidden = 0x2,
    kAttributeSystem = 0x4,
    kAttributeDirectory = 0x10,
    kAttributeArchive = 0x20,
    kAttributeNormal = 0x80,
    kAttributeTemporary = 0x100,
    kAttributeCompressed = 0x800,
    kAttributeOffline = 0x1000,
};

// The entries of one listing in the server's order, reachable by 1-based position or by name in
// any letter case. When two names differ only in case, both are kept in order and a lookup by
// name finds the first.
class cDirList {
public:
    cDirItem& Add(qint32 lAttrib, DateValue dtCreationTime, DateValue dtLastAccessTime,
                  DateValue dtLastWriteTime, qint64 lFileSize, const QString& sFilename);
    void Clear();
    // Throws std::out_of_range for a position outside 1..Count() or a name not in the list.
    cDirItem& Item(qsizetype index);
    cDirItem& Item(const QString& name);
    qsizetype Count() const { return qsizetype(items_.size()); }

    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.cbegin(); }
    auto end() const { return items_.cend(); }

private:
    std::deque<cDirItem> items_; // a deque keeps the references Add and Item hand out valid
    QHash<QString, qsizetype> positionByName_;
};

} // namespace zarvento::ftp
