#pragma once

#include "Editor/TopicLinkActions.h"

// The hyperlink dialog: an entry with the link, selected so that typing replaces it, and for a
// cloud map the choice to upload the file it names.
class GtkURLLinkPrompt : public URLLinkPrompt {
public:
    using URLLinkPrompt::selectURLLink;
    std::optional<Answer> selectURLLink(const std::string& link, bool offerUpload) override;
};

// Installs the hyperlink dialog and the export-to-cloud question's accessory for the window's link
// and cloud actions.
void installTopicLinkDialogs();
