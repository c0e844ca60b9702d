#pragma once

#include "MindMaps/NodeIcon.h"
#include "platform/Error.h"
#include "platform/UriLauncher.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class MindMapNode;

// A topic's hyperlink: to another map of the local store (optionally to an element in it), to a
// URL or file, to a map or document in a cloud storage, or to a phone or e-mail contact. The link
// keeps its target, decides whether the target is valid, keeps a title and owns the icon shown
// beside the topic's text.
//
// Links without node (the link panel's working copy, a copied link waiting to be pasted) behave
// the same but report to nobody.
class DiagramLink {
public:
    enum LinkType : int32_t {
        LinkTypeLocalMap = 0,
        LinkTypeURL = 1,
        LinkTypeCloudMap = 2,
        LinkTypeCloudDocument = 3,
        LinkTypePhoneContact = 4,
        LinkTypeEmailContact = 5,
    };

    // Icon names by state.
    static constexpr const char* InvalidLinkIconName = "link_invalid_32";
    static constexpr const char* LocalMapIconName = "link_32";
    static constexpr const char* URLIconName = "globe_32";
    static constexpr const char* CloudMapIconName = "cloud_link_32";
    static constexpr const char* CloudDocumentIconName = "cloud_32";
    static constexpr const char* ContactIconName = "ic8_96_id_card";
    // Left and right of a contact's picture.
    static constexpr double ContactPictureMargin = 3;

    // The local store's answer to "which map has this GUID": the map's title, or nothing when the
    // store has no such map. The store installs it when it starts; until then no local map is
    // known, so local-map links count as invalid rather than claiming a target nobody checked.
    // The lookup runs for every local-map link at each status update (a map's title change
    // updates all its links), so it must not scan the store's maps.
    using LocalMapLookup = std::function<std::optional<std::string>(const std::string& mapGuid)>;
    static void setLocalMapLookup(LocalMapLookup lookup);

    // An empty local-map link: not valid, not hot, no icon yet.
    explicit DiagramLink(MindMapNode* node = nullptr);
    ~DiagramLink();
    DiagramLink(const DiagramLink&) = delete;
    DiagramLink& operator=(const DiagramLink&) = delete;

    MindMapNode* node() const { return _node; }

    // Each re-makes the link as one kind, clears the fields that kind does not use and updates the
    // status.
    void linkToLocalMap(const std::string& mapGuid, const std::string& element, bool hotLinked);
    void linkToURL(const std::string& url);
    // The path is stored normalised (normalizeCloudLink).
    void linkToCloudMap(const std::string& path, const std::string& nativeLink, const std::string& element);
    void linkToCloudDocument(const std::string& path, const std::string& nativeLink);
    void linkToPhoneContact(const std::string& contact, const std::string& imageHash);
    void linkToEmailContact(const std::string& contact, const std::string& imageHash);

    // Backslashes become "/", and a non-empty result starts with "/".
    static std::string normalizeCloudLink(std::string_view path);

    // An empty, invalid local-map link with an empty title.
    void clearLink();
    // Re-makes this link from the other's kind and fields (hot only for a local map); nullptr
    // clears the link. A kind this link does not know changes nothing.
    void assign(const DiagramLink* other);

    int32_t linkType() const { return _linkType; }
    // The target: map GUID, URL or path, cloud path or contact identifier.
    const std::string& linkID() const { return _linkID; }
    void setLinkID(const std::string& linkID) { _linkID = linkID; }
    // Waits for its caller in the editor.
    const std::string& pathBasedLink() const { return _linkID; }
    void setPathBasedLink(const std::string& link) { setLinkID(link); }
    // The storage's own link of a cloud map or document.
    const std::string& nativeLink() const { return _nativeLink; }
    // Waits for its caller in the editor.
    void setNativeLink(const std::string& nativeLink) { _nativeLink = nativeLink; }
    // The GUID of the target element inside a linked map.
    const std::string& element() const { return _element; }
    // Waits for its caller in the editor.
    void setElement(const std::string& element) { _element = element; }
    // The image hash of a contact's picture.
    const std::string& imageHash() const { return _imageHash; }
    void setImageHash(const std::string& imageHash) { _imageHash = imageHash; }

    // A hot link to a local map makes the topic's text follow the linked map's title.
    bool isHotLink() const { return _isHotLink; }
    // With a status update when the flag changes.
    // Waits for its caller in the editor.
    void setHotLink(bool hotLink);
    // Stores the flag only.
    void setIsHotLink(bool hotLink) { _isHotLink = hotLink; }

    // A valid link's title; an invalid link without title shows its target instead.
    std::string title() const;
    bool isValid() const { return _isValid; }

    // Made on first request.
    NodeIcon* icon();
    void setIcon(std::unique_ptr<NodeIcon> icon);
    // Replaces the icon by the one of the current kind and validity.
    void updateIcon();

    // Re-checks the target and re-makes the icon; when anything changed the node hears of it (and a
    // hot local-map link renames the topic after the linked map).
    void updateStatus();

    // Link text as typed by the user turned into a URL that can be opened, or the empty string.
    // Text without scheme is a path, and like a "file:" URL resolves only when the file exists;
    // other URLs are escaped where needed (existing escapes are kept) and returned, the part
    // after the first "#" escaped as a fragment.
    static std::string resolveURLString(const std::string& text);
    // Opens link text on the desktop as resolveURLString resolves it, under the rule for links from
    // documents (launchDocumentLink, which says when a program is shown instead). False when
    // nothing was opened, with the error naming the link and why.
    static bool openURLLink(const std::string& text, Error* error = nullptr, UriLauncher::Outcome shown = {});

private:
    void linkToContact(int32_t linkType, const std::string& contact, const std::string& imageHash);
    // The link's own status: true when validity or title changed.
    bool updateValidity();

    std::string _title;
    bool _isValid = false;
    MindMapNode* _node = nullptr;
    std::unique_ptr<NodeIcon> _icon;
    bool _isHotLink = false;
    int32_t _linkType = LinkTypeLocalMap;
    std::string _linkID;
    std::string _nativeLink;
    std::string _element;
    std::string _imageHash;
};
