#include "ftp/cDirList.h"

#include <stdexcept>

namespace zarvento::ftp {

cDirItem& cDirList::Add(qint32 lAttrib, DateValue dtCreationTime, DateValue dtLastAccessTime,
                        DateValue dtLastWriteTime, qint64 lFileSize, const QString& sFilename) {
    cDirItem item;
    item.ReadOnly = lAttrib & kAttributeReadOnly;
    item.Hidden = lAttrib & kAttributeHidden;
    item.System = lAttrib & kAttributeSystem;
    item.Directory = lAttrib & kAttributeDirectory;
    item.Archive = lAttrib & kAttributeArchive;
    item.Normal = lAttrib & kAttributeNormal;
    item.Temporary = lAttrib & kAttributeTemporary;
    item.Compressed = lAttrib & kAttributeCompressed;
    item.Offline = lAttrib & kAttributeOffline;
    item.CreationTime = dtCreationTime;
    item.LastAccessTime = dtLastAccessTime;
    item.LastWriteTime = dtLastWriteTime;
    item.FileSize = lFileSize;
    item.filename = sFilename;
    const QString key = sFilename.toCaseFolded();
    if (!positionByName_.contains(key))
        positionByName_.insert(key, Count());
    items_.push_back(std::move(item));
    return items_.back();
}

void cDirList::Clear() {
    items_.clear();
    positionByName_.clear();
}

cDirItem& cDirList::Item(qsizetype index) {
    if (index < 1 || index > Count())
        throw std::out_of_range("cDirList::Item: no entry at position " + std::to_string(index));
    return items_[size_t(index - 1)];
}

cDirItem& cDirList::Item(const QString& name) {
    const auto found = positionByName_.constFind(name.toCaseFolded());
    if (found == positionByName_.cend())
        throw std::out_of_range("cDirList::Item: no entry named " + name.toStdString());
    return items_[size_t(*found)];
}

} // namespace zarvento::ftp
