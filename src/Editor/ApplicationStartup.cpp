#include "Editor/ApplicationStartup.h"

#include "Editor/GettingStartedMindMapCreator.h"
#include "platform/UserDefaults.h"
#include "store/MindMapInfoItem.h"

#include <glib.h>

#include <cstdlib>

std::string ApplicationStartup::documentsFolder()
{
    if (const char* documents = g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS)) return documents;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : g_get_home_dir()) + "/Documents";
}

void ApplicationStartup::registerDefaults(UserDefaults& defaults)
{
    defaults.registerDefaults({
        {"autoCheckUpdates", false},
        {"suppressShadows", false},
        {"topicHasHideTool", false},
        // Stored in single precision, as the values the editor writes back are.
        {"editorChildMoveDelay", double(0.8f)},
        {"editorGlobalScaleFactor", 1.0},
        {"newMindMapLayoutMode", int64_t(0)},
        // The default direction of layout mode 0.
        {"newMindMapLayoutDirection", int64_t(0)},
        {"import.default-directory", documentsFolder()},
        {"storeImportMode", int64_t(0)},
        {"cleanupLocalImages", true},
        {"autoSaveMindMaps", true},
    });
    defaults.setInteger("NSInitialToolTipDelay", 1000);
    if (!defaults.hasUserValue("ApplePersistenceIgnoreState")) defaults.setBool("ApplePersistenceIgnoreState", true);
}

void ApplicationStartup::checkInitialState(const StartupDocumentSteps& steps, size_t storeMapCount,
                                           const std::function<std::string()>& importGettingStarted)
{
    if (steps.reopenRememberedMindMap()) return;
    if (storeMapCount != 0) return;
    std::string guid;
    if (importGettingStarted) {
        guid = importGettingStarted();
    } else if (MindMapInfoItem* item = GettingStartedMindMapCreator::importGettingStartedMindMap()) {
        guid = item->guid();
    }
    if (!guid.empty()) {
        steps.openLocalMindMapOnGuid(guid);
    } else {
        steps.newDocument();
    }
}
