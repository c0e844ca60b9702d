#include "explorers/FileNameDialog.h"

#include "platform/Localizer.h"

FileNameDialog::FileNameDialog(int32_t mode, std::string initialName)
    : _mode(mode), _initialName(std::move(initialName))
{
}

std::optional<FileNameDialog::Texts> FileNameDialog::textsForMode() const
{
    switch (_mode) {
    case NewMap:
        return Texts{localized("map_dialog_add_map_title"), localized("file_dialog_name_hint"),
                     localized("file_dialog_message")};
    case RenameFile:
        return Texts{localized("file_dialog_rename_title"), localized("file_dialog_name_hint"),
                     localized("file_dialog_message")};
    case NewFolder:
        return Texts{localized("map_list_add_folder"), localized("folder_dialog_name_hint"),
                     localized("folder_dialog_message")};
    case RenameFolder:
        return Texts{localized("folder_dialog_rename_title"), localized("folder_dialog_name_hint"),
                     localized("folder_dialog_message")};
    default:
        return std::nullopt;
    }
}

std::string FileNameDialog::hintText()
{
    return localized("db_upload_invalid_filename_error") + "\n" +
        localized("filename_should_not_start_with_space_or_dot");
}

std::string FileNameDialog::okButtonTitle()
{
    return localized("ok_button_title");
}

std::string FileNameDialog::cancelButtonTitle()
{
    return localized("cancel_button_title");
}

bool FileNameDialog::isOkEnabled(std::string_view editingText) const
{
    return !_formatter.normalizeString(editingText).empty();
}

std::optional<std::string> FileNameDialog::okButtonClicked(std::string_view fieldText) const
{
    std::string name = _formatter.normalizeString(fieldText);
    if (name.empty()) return std::nullopt;
    return name;
}

namespace {
FileNamePrompt* sharedPrompt = nullptr;
} // namespace

FileNamePrompt* FileNamePrompt::shared()
{
    return sharedPrompt;
}

void FileNamePrompt::setShared(FileNamePrompt* prompt)
{
    sharedPrompt = prompt;
}
