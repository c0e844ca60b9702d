#pragma once

#include "GoogleDrive/GDriveError.h"
#include "GoogleDrive/GDriveMetadata.h"

#include <optional>
#include <string>
#include <vector>

// What Drive answers, read from its JSON. Its answers are outside data: a missing field or one of
// the wrong type gives a text saying what is wrong, never a crash.

struct GDriveFileList {
    std::vector<GDriveMetadata> files;
    // Empty on the last page.
    std::string nextPageToken;
};

namespace GDriveAnswers {

// A file object of files.get, files.create and files.update.
std::optional<GDriveMetadata> readFile(const std::string& json, std::string& problem);
// One page of files.list.
std::optional<GDriveFileList> readFileList(const std::string& json, std::string& problem);
// files.generateIds.
std::optional<std::vector<std::string>> readGeneratedIds(const std::string& json, std::string& problem);
// The "error" object of a failed call; nullopt when there is none, or a malformed one.
std::optional<GDriveStructuredError> readStructuredError(const std::string& json);
// The token endpoint's "error" and "error_description"; false when the answer holds neither.
bool readTokenError(const std::string& json, std::string& error, std::string& description);

// RFC 3339 ("2026-12-07T20:15:04.123Z", or with an offset) as seconds since 2001-01-01 UTC.
std::optional<double> parseDate(const std::string& text);
// The other way, in UTC with milliseconds.
std::string formatDate(double secondsSince2001);

// Drive ids as they come from links, documents and the network: [A-Za-z0-9_-], 1 to 256 of them.
// "root" is one too.
bool isValidId(const std::string& id);

} // namespace GDriveAnswers
