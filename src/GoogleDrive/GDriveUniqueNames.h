#pragma once

#include <string>

class GDriveFileInfoCache;
class GDriveFolderCache;

// Drive allows many files of one name in a folder; the program does not make them. A name taken
// (ignoring case) in the parent gets " (1)", " (2)", ... before its extension.
std::string GDriveUniqueFileName(const GDriveFolderCache& folders, GDriveFileInfoCache& files, const std::string& name,
                                 const std::string& parentFolderId);
// The name itself for an empty parent id.
std::string GDriveUniqueFolderName(const GDriveFolderCache& folders, const std::string& name,
                                   const std::string& parentFolderId);
