#pragma once

#include <cstdint>
#include <optional>
#include <string>

class ActionSender;
class Menu;
class MindMapProvider;
class Responder;

// What the cloud explorers' file commands share, whichever service they serve.
namespace CloudCommands {

inline constexpr const char* CopyToProviderAction = "copyToProvider:";

// Fills the copy-to-cloud menu: one item for each other enabled cloud provider, in registry order, whose
// represented value is that provider; a single disabled notice when there is none.
void fillCopyToCloudMenu(Menu& menu, const MindMapProvider* own, Responder* target);
// The provider a copy-to-cloud item stands for; nullptr for any other sender.
MindMapProvider* providerOfSender(const ActionSender* sender);

// A name the user typed becomes one path component: nothing that would address another folder
// (a "/" or "\", ".", "..") and not empty. The message for the user, or nothing when it may be used.
std::optional<std::string> invalidNameMessage(const std::string& name);

// The state the toolbar and menu commands of a cloud explorer are enabled by.
struct CommandState {
    int32_t explorerMode = 0;
    bool linked = false;
    bool listerIdle = true;
    bool userTaskRunning = false;
    bool online = true;
    bool searching = false;
    size_t pathStackCount = 0;
    bool itemSelected = false;
    bool mapSelected = false;
    bool canShowThumbnails = false;
};
// Whether the action ("newDocument:", "goBack:", ...) is enabled in that state.
bool isEnabled(const std::string& action, const CommandState& state);

} // namespace CloudCommands
