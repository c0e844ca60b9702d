#include "GoogleDrive/GDriveUniqueNames.h"

#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "platform/Localizer.h"

#include <glib.h>

bool GDriveSameName(const std::string& first, const std::string& second)
{
    if (first == second) return true;
    for (const std::string* name : {&first, &second}) {
        if (name->find('\0') != std::string::npos || !g_utf8_validate_len(name->data(), name->size(), nullptr))
            return false;
    }
    gchar* a = g_utf8_casefold(first.data(), gssize(first.size()));
    gchar* b = g_utf8_casefold(second.data(), gssize(second.size()));
    const bool same = a && b && g_strcmp0(a, b) == 0;
    g_free(a);
    g_free(b);
    return same;
}

std::string GDriveUniqueFileName(const GDriveFolderCache& folders, GDriveFileInfoCache& files, const std::string& name,
                                 const std::string& parentFolderId)
{
    auto taken = [&](const std::string& candidate) {
        return folders.fileNameExists(candidate, parentFolderId) || files.fileNameExists(candidate, parentFolderId);
    };
    if (!taken(name)) return name;
    const size_t dot = name.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    const std::string base = hasExtension ? name.substr(0, dot) : name;
    const std::string extension = hasExtension ? name.substr(dot) : std::string();
    // Both caches are finite: a free number is found within one more than their sizes.
    for (size_t n = 1;; ++n) {
        const std::string candidate = formatText("%@ (%d)", {base, std::to_string(n)}) + extension;
        if (!taken(candidate)) return candidate;
    }
}

std::string GDriveUniqueFolderName(const GDriveFolderCache& folders, const std::string& name,
                                   const std::string& parentFolderId)
{
    if (parentFolderId.empty() || !folders.folderNameExists(name, parentFolderId)) return name;
    for (size_t n = 1;; ++n) {
        const std::string candidate = formatText("%@ (%d)", {name, std::to_string(n)});
        if (!folders.folderNameExists(candidate, parentFolderId)) return candidate;
    }
}
