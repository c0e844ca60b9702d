#include "Editor/ExportToCloudAction.h"

#include "Editor/ExportFormatViewController.h"
#include "Editor/MailMapAction.h"
#include "MindMaps/MindMap.h"
#include "Utils/FeedbackSink.h"
#include "Utils/GuidCreation.h"
#include "platform/AlertPanel.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "store/MindMapProvider.h"
#include "store/MindMapStorage.h"

#include <filesystem>
#include <system_error>

namespace {

ExportToCloudPrompt* installedPrompt = nullptr;

class AlertExportToCloudPrompt : public ExportToCloudPrompt {
public:
    bool runExportToCloud(const std::string& message, const std::string& informativeText,
                          ExportFormatViewController& choice) override
    {
        AlertPanel::Request request;
        request.messageText = message;
        request.informativeText = informativeText;
        request.style = AlertPanel::Style::Informational;
        request.buttons = {{localized("ok_button_title"), "\r"}, {localized("cancel_button_title"), "\033"}};
        AlertPanel::Accessory accessory;
        accessory.content = ExportFormatViewController::AccessoryName;
        accessory.model = &choice;
        choice.setOkButton([control = accessory.control](bool enabled) {
            if (control->setFirstButtonEnabled) control->setFirstButtonEnabled(enabled);
        });
        request.accessory = accessory;
        const int button = AlertPanel::shared().runModal(request).button;
        choice.setOkButton(nullptr);
        return button == AlertPanel::FirstButtonReturn;
    }
};

// The export's temporary file goes however the upload ends.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : _path(std::move(path)) {}
    ~TemporaryFile()
    {
        std::error_code ignored;
        if (!_path.empty()) std::filesystem::remove(_path, ignored);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::string& path() const { return _path; }

private:
    std::string _path;
};

MindMapProvider* cloudProvider(const MindMapStorage* storage)
{
    MindMapProvider* provider = storage ? storage->provider() : nullptr;
    return provider && !provider->isLocal() ? provider : nullptr;
}

} // namespace

void ExportToCloudPrompt::setShared(ExportToCloudPrompt* prompt)
{
    installedPrompt = prompt;
}

ExportToCloudPrompt& ExportToCloudPrompt::shared()
{
    static AlertExportToCloudPrompt alert;
    return installedPrompt ? *installedPrompt : alert;
}

std::string ExportToCloudAction::uploadName(const std::string& storageTitle, const std::string& extension)
{
    const std::string stem = std::filesystem::path(storageTitle).stem().string();
    return MailMapAction::attachmentName(stem, extension);
}

std::optional<ItemValidation> ExportToCloudAction::validate(const ValidatedUserInterfaceItem& item) const
{
    if (item.action() != Action) return std::nullopt;
    MindMapProvider* provider = cloudProvider(_window.storage());
    ItemValidation validation = ItemValidation::enabledIf(provider != nullptr);
    validation.hidden = !provider;
    if (provider) validation.title = localizedFormat(TitleFormatKey, {provider->title()});
    return validation;
}

void ExportToCloudAction::exportToCloud()
{
    MindMapStorage* storage = _window.storage();
    MindMap* map = _window.map();
    MindMapProvider* provider = cloudProvider(storage);
    if (!provider || !map) return;

    ExportFormatViewController choice(map->imageExportSize(), MailMapAction::selectionExportSize(*map));
    if (!ExportToCloudPrompt::shared().runExportToCloud(localizedFormat(TitleFormatKey, {provider->title()}),
                                                        localized(InformativeTextKey), choice))
        return;
    // A question that could not disable its OK button must not start what cannot be made.
    if (!choice.okEnabled()) {
        _window.notify(localized(ExportFailedKey), localized("share_dialog_image_too_large"), FeedbackStateError);
        return;
    }
    choice.commitSelectedFormat();
    const int32_t format = choice.selectedExportFormat();
    const std::string extension = choice.selectedExtension();
    const double scale = choice.imageScaleFactor();
    const bool selectionOnly = choice.selectionOnly();

    // The dialog ran modally: the user may have switched maps meanwhile.
    if (_window.storage() != storage || !(map = _window.map())) return;
    if (_window.commitEditor) _window.commitEditor();

    const MindMapData data = map->exportDataOfFormat(format, scale, selectionOnly);
    std::error_code ignored;
    const std::string directory =
        _temporaryDirectory.empty() ? std::filesystem::temp_directory_path(ignored).string() : _temporaryDirectory;
    TemporaryFile file(directory.empty()
                           ? std::string()
                           : (std::filesystem::path(directory) / (createGUIDString() + "." + extension)).string());
    if (data.empty() || file.path().empty() || !writeFileAtomically(file.path(), data)) {
        _window.notify(localized(ExportFailedKey), std::string(), FeedbackStateError);
        return;
    }
    const std::string name = uploadName(storage->title(), extension);
    if (provider->uploadMedia(MindMapProvider::MediaExportedDocument, file.path(), name, storage).empty())
        _window.notify(localized(UploadFailedKey), name, FeedbackStateError);
}
