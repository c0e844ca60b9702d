#include "GoogleDrive/GDriveMetadata.h"

#include "explorers/FileListItem.h"

GDriveMetadata::GDriveMetadata(std::string gdriveId, std::optional<std::string> extension)
    : _gdriveId(std::move(gdriveId))
{
    setExtension(std::move(extension));
}

GDriveMetadata GDriveMetadata::folder(std::string gdriveId)
{
    GDriveMetadata metadata;
    metadata._gdriveId = std::move(gdriveId);
    metadata._itemType = FileListItemType::Folder;
    return metadata;
}

void GDriveMetadata::setExtension(std::optional<std::string> extension)
{
    // A folder's record stays a folder until it is given an extension.
    if (extension == _extension) return;
    _extension = std::move(extension);
    _itemType = _extension ? FileListItem::extensionToItemType(*_extension) : FileListItemType::OtherFile;
}

bool GDriveMetadata::isFolder() const
{
    return _itemType == FileListItemType::Folder;
}
