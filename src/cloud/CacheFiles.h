#pragma once

#include <set>
#include <string>

// The cloud services' cache copies on disk. Every name and path they are given may come from a
// server: nothing here throws, whatever the file system answers.

// Removes the file or folder at path with everything in it, except the files in keep (full paths
// as the caller builds them) and the folders on their way. Symbolic links are removed, never
// followed. Answers whether nothing is left at path.
bool removeTreeExcept(const std::string& path, const std::set<std::string>& keep);
