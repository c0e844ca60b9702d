#include "MindMaps/DiagramLink.h"

#include "MindMaps/CustomIcon.h"
#include "MindMaps/LinkIcon.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/LinkLaunchPolicy.h"
#include "Utils/URLUtils.h"
#include "platform/Localizer.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace {

DiagramLink::LocalMapLookup& localMapLookup()
{
    static DiagramLink::LocalMapLookup lookup;
    return lookup;
}

// A file URL for the path when something exists there; relative paths are taken from the
// current folder.
std::string reachableFileURL(const std::string& path)
{
    if (path.empty() || path.find('\0') != std::string::npos) return {};
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error || !std::filesystem::exists(absolute, error) || error) return {};
    return fileURLWithPath(absolute.string());
}

// The text escaped for a URL, the part after the first "#" as a fragment; empty when the result
// is still no URL.
std::string escapedURLString(const std::string& text)
{
    std::string url;
    if (const size_t hash = text.find('#'); hash != std::string::npos)
        url = percentEscapeURLString(std::string_view(text).substr(0, hash)) + "#" +
            percentEncodeURLFragment(std::string_view(text).substr(hash + 1));
    else url = percentEscapeURLString(text);
    return parseURLString(url) ? url : std::string();
}

// Files on other machines are not reachable from here.
bool isLocalHost(std::string_view host)
{
    static constexpr std::string_view localhost = "localhost";
    if (host.size() != localhost.size()) return false;
    for (size_t i = 0; i < host.size(); ++i) {
        const char c = host[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != localhost[i]) return false;
    }
    return true;
}

} // namespace

void DiagramLink::setLocalMapLookup(LocalMapLookup lookup)
{
    localMapLookup() = std::move(lookup);
}

DiagramLink::DiagramLink(MindMapNode* node) : _node(node)
{
}

DiagramLink::~DiagramLink() = default;

void DiagramLink::linkToLocalMap(const std::string& mapGuid, const std::string& element, bool hotLinked)
{
    _linkType = LinkTypeLocalMap;
    _linkID = mapGuid;
    _element = element;
    _nativeLink.clear();
    _imageHash.clear();
    _isHotLink = hotLinked;
    updateStatus();
}

void DiagramLink::linkToURL(const std::string& url)
{
    _linkType = LinkTypeURL;
    _isHotLink = false;
    _linkID = url;
    _nativeLink.clear();
    _element.clear();
    _imageHash.clear();
    updateStatus();
}

void DiagramLink::linkToCloudMap(const std::string& path, const std::string& nativeLink, const std::string& element)
{
    _linkType = LinkTypeCloudMap;
    _isHotLink = false;
    _linkID = normalizeCloudLink(path);
    _nativeLink = nativeLink;
    _element = element;
    _imageHash.clear();
    updateStatus();
}

void DiagramLink::linkToCloudDocument(const std::string& path, const std::string& nativeLink)
{
    _linkType = LinkTypeCloudDocument;
    _isHotLink = false;
    _linkID = normalizeCloudLink(path);
    _nativeLink = nativeLink;
    _element.clear();
    _imageHash.clear();
    updateStatus();
}

void DiagramLink::linkToPhoneContact(const std::string& contact, const std::string& imageHash)
{
    linkToContact(LinkTypePhoneContact, contact, imageHash);
}

void DiagramLink::linkToEmailContact(const std::string& contact, const std::string& imageHash)
{
    linkToContact(LinkTypeEmailContact, contact, imageHash);
}

void DiagramLink::linkToContact(int32_t linkType, const std::string& contact, const std::string& imageHash)
{
    _linkType = linkType;
    _isHotLink = false;
    _linkID = contact;
    _imageHash = imageHash;
    _nativeLink.clear();
    _element.clear();
    updateStatus();
}

std::string DiagramLink::normalizeCloudLink(std::string_view path)
{
    std::string normalized(path);
    for (char& c : normalized) {
        if (c == '\\') c = '/';
    }
    if (!normalized.empty() && normalized.front() != '/') normalized.insert(normalized.begin(), '/');
    return normalized;
}

void DiagramLink::clearLink()
{
    _title.clear();
    linkToLocalMap({}, {}, false);
}

void DiagramLink::assign(const DiagramLink* other)
{
    if (!other) {
        clearLink();
        return;
    }
    // Copies first: the other link may be this one.
    const std::string linkID = other->_linkID;
    const std::string nativeLink = other->_nativeLink;
    const std::string element = other->_element;
    const std::string imageHash = other->_imageHash;
    switch (other->_linkType) {
    case LinkTypeLocalMap:
        linkToLocalMap(linkID, element, other->_isHotLink);
        break;
    case LinkTypeURL:
        linkToURL(linkID);
        break;
    case LinkTypeCloudMap:
        linkToCloudMap(linkID, nativeLink, element);
        break;
    case LinkTypeCloudDocument:
        linkToCloudDocument(linkID, nativeLink);
        break;
    case LinkTypePhoneContact:
        linkToPhoneContact(linkID, imageHash);
        break;
    case LinkTypeEmailContact:
        linkToEmailContact(linkID, imageHash);
        break;
    default:
        break;
    }
}

void DiagramLink::setHotLink(bool hotLink)
{
    if (hotLink == _isHotLink) return;
    _isHotLink = hotLink;
    updateStatus();
}

std::string DiagramLink::title() const
{
    if (!_isValid && _title.empty()) return _linkID;
    return _title;
}

NodeIcon* DiagramLink::icon()
{
    if (!_icon) updateIcon();
    return _icon.get();
}

void DiagramLink::setIcon(std::unique_ptr<NodeIcon> icon)
{
    _icon = std::move(icon);
}

void DiagramLink::updateIcon()
{
    if (!_isValid) {
        setIcon(std::make_unique<LinkIcon>(InvalidLinkIconName));
        return;
    }
    switch (_linkType) {
    case LinkTypeLocalMap:
        setIcon(std::make_unique<LinkIcon>(LocalMapIconName));
        break;
    case LinkTypeURL:
        setIcon(std::make_unique<LinkIcon>(URLIconName));
        break;
    case LinkTypeCloudMap:
        setIcon(std::make_unique<LinkIcon>(CloudMapIconName));
        break;
    case LinkTypeCloudDocument:
        setIcon(std::make_unique<LinkIcon>(CloudDocumentIconName));
        break;
    case LinkTypePhoneContact:
    case LinkTypeEmailContact:
        if (!_imageHash.empty())
            setIcon(std::make_unique<CustomIcon>(_node, "#" + _imageHash, Size{ContactPictureMargin, 0}));
        else setIcon(std::make_unique<LinkIcon>(ContactIconName));
        break;
    default:
        setIcon(std::make_unique<LinkIcon>(InvalidLinkIconName));
        break;
    }
}

bool DiagramLink::updateValidity()
{
    bool valid = _isValid;
    bool titleChanged = false;
    switch (_linkType) {
    case LinkTypeURL:
    case LinkTypePhoneContact:
    case LinkTypeEmailContact:
        valid = !_linkID.empty();
        break;
    case LinkTypeCloudMap:
    case LinkTypeCloudDocument:
        valid = !_linkID.empty() || !_nativeLink.empty();
        break;
    case LinkTypeLocalMap: {
        std::optional<std::string> mapTitle;
        if (const LocalMapLookup& lookup = localMapLookup(); lookup && !_linkID.empty()) mapTitle = lookup(_linkID);
        valid = mapTitle.has_value();
        if (mapTitle && *mapTitle != _title) {
            _title = *mapTitle;
            titleChanged = true;
        }
        break;
    }
    default:
        return false;
    }
    const bool validityChanged = valid != _isValid;
    _isValid = valid;
    return validityChanged || titleChanged;
}

void DiagramLink::updateStatus()
{
    const bool changed = updateValidity();
    const Size oldIconSize = _icon ? _icon->size() : Size();
    updateIcon();
    if (!changed && _icon->size() == oldIconSize) return;
    if (!_node) return;
    if (_isHotLink && _isValid && _linkType == LinkTypeLocalMap) _node->setText(_title);
    _node->nodeIconChanged(_icon.get());
}

bool DiagramLink::openURLLink(const std::string& text, Error* error, UriLauncher::Outcome shown)
{
    const std::string url = resolveURLString(text);
    if (!url.empty()) return launchDocumentLink(url, nullptr, error, std::move(shown));
    // A path, or a file's address, resolves only to a file that is there.
    const std::optional<URLComponents> components = parseURLString(percentEscapeURLString(text));
    const bool namesFile = components && (components->scheme.empty() || components->scheme == "file");
    return setError(
        error,
        UriLauncher::openError(text, localized(namesFile ? "launch_failed_not_found" : "launch_failed_no_scheme")));
}

std::string DiagramLink::resolveURLString(const std::string& text)
{
    const std::optional<URLComponents> url = parseURLString(percentEscapeURLString(text));
    if (!url) return {};
    // Only text without a scheme is a path: taking "file:", "mailto:" or "tel:" links for
    // paths would make all of them fail.
    if (url->scheme.empty()) return reachableFileURL(text);
    if (url->scheme == "file") {
        if (!url->host.empty() && !isLocalHost(url->host)) return {};
        const std::optional<std::string> path = percentDecode(url->path);
        if (!path || path->empty() || path->front() != '/') return {};
        return reachableFileURL(*path);
    }
    return escapedURLString(text);
}
