#include "link/iPhoneLinkServices.h"

#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/StyleManager.h"
#include "Utils/FeedbackSink.h"
#include "Utils/StringUtils.h"
#include "formats/DocumentLimits.h"
#include "formats/TwkxDataExtractor.h"
#include "formats/ZipDetection.h"
#include "link/DevicePinModel.h"
#include "platform/AlertPanel.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "store/EditorInterface.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"
#include "store/MindMapStore.h"

iPhoneLinkServices::iPhoneLinkServices(std::unique_ptr<dns_sd_registrar> registrar, bool loopbackOnly)
{
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    const std::string folder = store ? store->documentsDirectory() : std::string();
    if (folder.empty()) return;
    _link = std::make_unique<iPhoneLink>(folder, this, std::move(registrar), loopbackOnly, store->scratchDirectory());
    setIPhoneLinkInstance(_link.get());
}

iPhoneLinkServices::~iPhoneLinkServices()
{
    if (iPhoneLinkInstance() == _link.get()) setIPhoneLinkInstance(nullptr);
    // The thread ends before this object, which it calls, goes.
    _link.reset();
}

std::optional<std::vector<uint8_t>> iPhoneLinkServices::getMindMapIndex()
{
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    if (!store) return std::nullopt;
    return store->getFolderIndexData(true);
}

int iPhoneLinkServices::getPinCodeForDevice(const std::string& deviceName)
{
    return askPinCode(deviceName);
}

int iPhoneLinkServices::askPinCode(const std::string& deviceName)
{
    // Everything the dialog needs lives on this stack: the link may be stopped while it shows.
    DevicePinModel pin;
    AlertPanel::Request request;
    request.messageText = localizedFormat(PairCodeTitleKey, {deviceName});
    request.informativeText = localized(PairCodeMessageKey);
    request.style = AlertPanel::Style::Informational;
    request.buttons = {{localized("ok_button_title"), "\r"}, {localized("cancel_button_title"), "\033"}};
    request.accessory = AlertPanel::Accessory{PinViewAccessoryName, &pin};
    pin.setControl(request.accessory->control);
    const AlertPanel::Answer answer = AlertPanel::shared().runModal(request);
    if (answer.button != AlertPanel::FirstButtonReturn) return -1;
    return pin.pinValue().value_or(-1);
}

LinkFetchedData iPhoneLinkServices::getMindMapData(const std::string& key, int streamVersion)
{
    if (key.starts_with(CustomStylePrefix)) {
        std::shared_ptr<StyleSheet> style = StyleManager::styleManager().getStyleOnKey(
            key.substr(std::char_traits<char>::length(CustomStylePrefix)), false);
        if (!style) return {};
        auto* custom = dynamic_cast<CustomStyleSheet*>(style.get());
        // A built-in style is there but has no file to send.
        if (!custom || !custom->isCustomStyle() || !custom->hasFileName()) return {true, std::nullopt};
        std::optional<std::vector<uint8_t>> file = readFileData(custom->fileName(), CustomStyleSheet::MaximumFileSize);
        return {file.has_value(), std::move(file)};
    }
    MindMapInfoItem* item = MindMapStore::safeGetMindMapByGuid(key);
    if (!item) return {};
    commitCurrentEditor(key);
    // Older stream versions want the older native format, which is never written.
    if (streamVersion < ArchiveStreamVersion) return {true, std::nullopt};
    std::optional<MindMapData> data = item->getMindMapExportData();
    if (!data) return {};
    if (hasPKZIPSignature(*data)) return {true, encodeAsArchive(*data)};
    return {true, std::move(data)};
}

bool iPhoneLinkServices::saveMindMapData(const std::string& key, const std::vector<uint8_t>& data)
{
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    if (!store || data.empty()) return false;
    // The editor's pending edits go to the store first: written later, they would replace the
    // upload.
    commitCurrentEditor(key);
    MindMapInfoItem* item = store->importMindMap(data, key);
    if (!item) return false;
    // The open map of that id has been reloaded by the store's notice of the import; any other
    // map is opened.
    const std::string guid = item->guid();
    EditorInterface* editor = EditorInterfaceInstance();
    MindMapStorage* current = editor->currentStorage();
    if (!current || !current->isLocalMindMap() || !caseInsensitiveEqual(current->id(), guid))
        editor->openStorage(MindMapProviders::localProvider(), guid, {});
    return true;
}

std::optional<std::vector<uint8_t>> iPhoneLinkServices::readUploadedMap(std::vector<uint8_t> data, Error* refusal)
{
    if (isEncodedArchive(data)) {
        std::optional<std::vector<uint8_t>> container = decodeEncodedArchive(data);
        if (!container) return std::nullopt;
        data = std::move(*container);
    }
    // The reader the store's import checks a document with, and the archive reader below it with
    // the limits every import road has; the formats the store converts are recognised here and
    // read there. Topics nested past the depth limit are refused here too: the store would refuse
    // them only on the main thread, after a parse the window waits for.
    TwkxDataExtractor extractor;
    if (data.empty() || !DocumentLimits::acceptsData(data) ||
        !extractor.readFromData(data, TwkxDataExtractor::RecognizeForeignFormats))
        return std::nullopt;
    // A topic text longer than new text may be would hold the window while it is measured. The
    // phone keeps its map; the user is told why the desktop did not take it.
    if (!DocumentLimits::acceptsNewTopicTexts(data, refusal)) return std::nullopt;
    return data;
}

void iPhoneLinkServices::uploadRefused(const Error& refusal)
{
    feedbackSinkInstance().showEditorNotification(refusal.localizedDescription, refusal.failureReason,
                                                  FeedbackStateError);
}

bool iPhoneLinkServices::commitCurrentEditor(const std::string& mindMapId)
{
    EditorInterface* editor = EditorInterfaceInstance();
    MindMapStorage* current = editor->currentStorage();
    if (!current || !current->isLocalMindMap() || !caseInsensitiveEqual(current->id(), mindMapId)) return false;
    // The phone's request is no answer to a rename being typed in the window: it stays open.
    OpenRenamesKept renames;
    editor->commitModelessEditors();
    editor->commitEditor();
    return true;
}
