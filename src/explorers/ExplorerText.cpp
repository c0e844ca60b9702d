#include "explorers/ExplorerText.h"

#include "Editor/ErrorAlert.h"
#include "platform/AlertPanel.h"
#include "platform/Localizer.h"

#include <cctype>

std::string objectPlaceholders(const std::string& format)
{
    std::string result;
    result.reserve(format.size());
    for (size_t i = 0; i < format.size(); ++i) {
        result += format[i];
        if (format[i] != '%' || i + 1 >= format.size()) continue;
        if (format[i + 1] == '%') {
            result += format[++i];
            continue;
        }
        // An optional position: digits and "$".
        size_t j = i + 1;
        while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j]))) ++j;
        if (j > i + 1 && j < format.size() && format[j] == '$') ++j;
        else j = i + 1;
        if (j < format.size() && format[j] == 's') {
            result.append(format, i + 1, j - i - 1);
            result += '@';
            i = j;
        }
    }
    return result;
}

std::string formatLocalizedText(const std::string& key, const std::vector<std::string>& arguments)
{
    return formatText(objectPlaceholders(localized(key)), arguments);
}

void presentExplorerError(const Error& error)
{
    AlertPanel::shared().runModal(ErrorAlert::request(error));
}

void presentExplorerFailure(const std::string& what, const Error& cause)
{
    presentExplorerError(ErrorAlert::failure(what, cause));
}
