#pragma once

#include <string>

// The hyperlink dialog's decisions: which buttons are enabled for the typed link, whether the file
// it names may go up to the open map's cloud, and what the buttons do to the field.
class URLLinkPanelController {
public:
    static constexpr const char* TitleKey = "hyperlink_link_document_webpage";
    static constexpr const char* MessageKey = "web_link_dialog_message";
    static constexpr const char* FileToolTipKey = "hyperlink_link_local_doc";
    static constexpr const char* WebToolTipKey = "hyperlink_link_webpage";
    static constexpr const char* PdfToolTipKey = "hyperlink_link_pdf_bookmark";
    static constexpr const char* UploadLabelKey = "hyperlink_upload_cloud_message";
    static constexpr const char* RemoveLinkKey = "hyperlink_remove_link";
    static constexpr const char* TestLinkKey = "hyperlink_test_link";
    static constexpr const char* UploadToKey = "action_upload_to";
    static constexpr const char* UploadToCloudKey = "image_picker_upload_to_cloud";
    static constexpr const char* FilePanelTitleKey = "doc_link_dialog_title";
    static constexpr const char* FilePanelPromptKey = "doc_link_dialog_link_button";
    static constexpr const char* WebSiteAddress = "https://tarnwick.org";
    static constexpr const char* FrameName = "URLLinkPanelFrame";

    // providerTitle: empty for a map without a cloud provider (a local one); hasLink: the topic has
    // a link, which Remove Link takes away.
    URLLinkPanelController(const std::string& link, bool isCloudMap, const std::string& providerTitle,
                           bool hasLink = false);

    const std::string& field() const { return _field; }
    // Every change of the field's text.
    void setField(const std::string& text);
    void fileChosen(const std::string& path) { setField(path); }
    void webButtonClicked() { setField(WebSiteAddress); }
    // Opens the link as a link on the canvas opens; false, with the alert shown, when it cannot.
    bool testLinkClicked() const;
    void uploadToggled(bool on);

    bool okEnabled() const { return !_field.empty(); }
    bool testEnabled() const { return !_field.empty(); }
    bool removeEnabled() const { return _hasLink; }
    bool uploadEnabled() const { return _uploadEnabled; }
    bool uploadOn() const { return _uploadOn; }
    bool isCloudMap() const { return _isCloudMap; }
    const std::string& uploadTitle() const { return _uploadTitle; }
    // The chosen local file is to go up to the map's cloud.
    bool hasUploadToCloud() const { return _isCloudMap && _uploadEnabled && _uploadOn; }

private:
    void updateStatus();

    std::string _field;
    bool _isCloudMap;
    bool _hasLink;
    std::string _uploadTitle;
    bool _uploadEnabled = false;
    bool _uploadOn = false;
};
