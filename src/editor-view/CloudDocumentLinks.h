#pragma once

#include <optional>
#include <string>

// Links from maps to documents kept in a cloud, whichever cloud keeps them.
namespace CloudDocumentLinks {

// A link: the cloud's path or id of the file, and for a PDF the part after its "#" or "?" (a
// page), which only the PDF viewer's page parser reads.
struct CloudLink {
    std::string target;
    std::optional<std::string> params;
};
CloudLink splitCloudLink(const std::string& link);

// Opens a downloaded document that is not a map: with params a PDF at its page in the PDF viewer,
// else in the desktop's default application by the rule of document links (a program or a
// launcher is only shown in the file manager), never with the link's parameters. false when
// nothing took it.
bool openDownloadedDocument(const std::string& path, const std::string& params);

} // namespace CloudDocumentLinks
