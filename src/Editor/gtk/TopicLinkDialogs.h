#pragma once

#include "Editor/ExportToCloudAction.h"
#include "Editor/TopicLinkActions.h"

// The hyperlink dialog: an entry with the link, selected so that typing replaces it, and for a
// cloud map the choice to upload the file it names.
class GtkURLLinkPrompt : public URLLinkPrompt {
public:
    using URLLinkPrompt::selectURLLink;
    std::optional<Answer> selectURLLink(const std::string& link, bool offerUpload) override;
};

// The "export to" dialog: the formats in a list and the range, OK and Cancel.
class GtkExportToCloudPrompt : public ExportToCloudPrompt {
public:
    bool runExportToCloud(const std::string& message, const std::string& informativeText,
                          ExportFormatChoice& choice) override;
};

// Installs both dialogs for the window's link and cloud actions.
void installTopicLinkDialogs();
