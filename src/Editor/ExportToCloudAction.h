#pragma once

#include "Editor/MapFromSelection.h"
#include "platform/Responder.h"

#include <optional>
#include <string>

class ExportFormatViewController;

// The "export to" question: the export formats as its accessory, with OK and Cancel. Unless
// another is installed it is asked through the desktop's alert panel, whose OK follows the
// accessory (disabled for a bitmap too large to make).
class ExportToCloudPrompt {
public:
    virtual ~ExportToCloudPrompt() = default;
    // True when the user chose OK; the choice holds the format and range.
    virtual bool runExportToCloud(const std::string& message, const std::string& informativeText,
                                  ExportFormatViewController& choice) = 0;

    static void setShared(ExportToCloudPrompt* prompt);
    static ExportToCloudPrompt& shared();
};

// Exports the open cloud map in a chosen format and uploads the file beside the map. The export
// goes through a file in the temporary folder that is removed whatever happens; a failed export or
// upload is reported.
class ExportToCloudAction {
public:
    static constexpr const char* Action = "exportToCloud:";
    static constexpr const char* TitleFormatKey = "action_export_to";
    static constexpr const char* InformativeTextKey = "share_dialog_export_format";
    static constexpr const char* ExportFailedKey = "export_failed_error";
    static constexpr const char* UploadFailedKey = "export_upload_failed_error";

    explicit ExportToCloudAction(WindowMapContext window) : _window(std::move(window)) {}

    void exportToCloud();
    // Enabled and shown only for a map of a provider that is not the local store; the title names
    // the provider.
    std::optional<ItemValidation> validate(const ValidatedUserInterfaceItem& item) const;

    // The uploaded file's name: the map's title without its extension, then the format's.
    static std::string uploadName(const std::string& storageTitle, const std::string& extension);
    // Where the export is written before it goes up; the system's temporary folder when not set.
    void setTemporaryDirectory(std::string directory) { _temporaryDirectory = std::move(directory); }

private:
    WindowMapContext _window;
    std::string _temporaryDirectory;
};
