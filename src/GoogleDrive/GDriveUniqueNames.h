#pragma once

#include <string>

class GDriveFileInfoCache;
class GDriveFolderCache;

// Whether two Drive names are one to the program: equal ignoring case. A name that is not UTF-8
// or holds a NUL, which only a broken or hostile server sends, equals only itself: case folding
// would end at the NUL and take every name beginning the same for it.
bool GDriveSameName(const std::string& first, const std::string& second);

// Drive allows many files of one name in a folder; the program does not make them. A name taken
// (ignoring case) in the parent gets " (1)", " (2)", ... before its extension.
std::string GDriveUniqueFileName(const GDriveFolderCache& folders, GDriveFileInfoCache& files, const std::string& name,
                                 const std::string& parentFolderId);
// The name itself for an empty parent id.
std::string GDriveUniqueFolderName(const GDriveFolderCache& folders, const std::string& name,
                                   const std::string& parentFolderId);
