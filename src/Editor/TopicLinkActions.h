#pragma once

#include "Editor/MapFromSelection.h"
#include "platform/Responder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class DiagramLink;

// Where the user picks a link target: the explorers' pick browser of a provider type. Each returns
// at once; the pick arrives later, or never (Cancel). The explorers install theirs at start.
class TopicLinkBrowser {
public:
    using OnSelected = std::function<void(const std::string& selection)>;
    virtual ~TopicLinkBrowser() = default;
    virtual void selectMindMapHyperLink(int32_t providerType, const std::string& currentLink, OnSelected picked) = 0;
    virtual void selectCloudDocLink(int32_t providerType, const std::string& currentLink, OnSelected picked) = 0;
    virtual void selectImageInCloud(int32_t providerType, OnSelected picked) = 0;

    // Not owned; nullptr: no browser, nothing is picked.
    static void setShared(TopicLinkBrowser* browser);
    static TopicLinkBrowser* shared();
};

// The hyperlink dialog: a link typed or pasted by the user, and for a cloud map whether a file
// named by it goes up beside the map. Without an installed one every request is cancelled.
class URLLinkPrompt {
public:
    struct Answer {
        std::string link;
        bool uploadToCloud = false;
        // The user asked for the topic's link to go.
        bool removeLink = false;
    };
    virtual ~URLLinkPrompt() = default;
    // offerUpload: the map is a cloud map, so uploading a file is a choice. Nothing when cancelled.
    virtual std::optional<Answer> selectURLLink(const std::string& link, bool offerUpload) = 0;
    // The same, naming the cloud the file would go to (empty for a local map) and saying whether the
    // topic has a link to remove.
    virtual std::optional<Answer> selectURLLink(const std::string& link, bool offerUpload,
                                                const std::string& /*providerTitle*/, bool /*hasLink*/)
    {
        return selectURLLink(link, offerUpload);
    }

    static void setShared(URLLinkPrompt* prompt);
    static URLLinkPrompt& shared();
};

// The topic link actions of the window: link the selected topic to a map or a cloud document
// picked in the browser, to a typed address or file, copy a link to the selected topic and paste it
// onto another one; and a picture from the cloud. A pick that arrives after the user switched maps
// or selected another topic changes nothing.
class TopicLinkActions {
public:
    static constexpr const char* DiagramLinkChangedLog = "AddDiagramLink detected change in source map or node";
    static constexpr const char* CloudDocumentLinkChangedLog =
        "AddCloudDocumentLink detected change in source map or node";
    static constexpr const char* ImageFromCloudChangedLog = "AddImageFromCloud detected change in source map or node";
    static constexpr const char* URLSeed = "http://";
    static constexpr const char* PasteLinkUndoKey = "hyperlink_link_mindmap";
    static constexpr const char* UploadFailedKey = "link_upload_failed_error";

    explicit TopicLinkActions(WindowMapContext window);
    ~TopicLinkActions();
    TopicLinkActions(const TopicLinkActions&) = delete;
    TopicLinkActions& operator=(const TopicLinkActions&) = delete;

    using ActionRegistrar = std::function<void(const std::string& action, Responder::ActionHandler handler)>;
    void registerActions(const ActionRegistrar& add);
    // The state of an item whose action is one of these; nothing for the others.
    std::optional<ItemValidation> validate(const ValidatedUserInterfaceItem& item) const;

    void addDiagramLink();
    void addCloudDocumentLink();
    void addImageFromCloud();
    void addURLLink();
    void copyLink();
    void pasteLink();
    // The copied link waiting to be pasted; nullptr before the first copy.
    const DiagramLink* bufferedLink() const { return _buffer.get(); }

private:
    // What a pick checks when it arrives: the same storage, map and selected topic as at the start.
    struct Origin {
        std::weak_ptr<MindMapStorage> storage;
        MindMap* map = nullptr;
        MindMapNode* node = nullptr;
    };
    // Ends the open editors, makes the selection single and answers the origin; nothing without a
    // storage or a selected topic.
    std::optional<Origin> begin(bool commitEditors);
    bool unchanged(const Origin& origin) const;

    WindowMapContext _window;
    std::unique_ptr<DiagramLink> _buffer;
    // Picks that arrive after this object went are dropped.
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};
