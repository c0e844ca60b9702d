#include "MindMaps/MarkdownSettingsNexus.h"

#include "platform/UserDefaults.h"

namespace {

bool markDownSyntaxEnabledFlag = true;

} // namespace

MarkdownSettingsNexus::MarkdownSettingsNexus()
{
    UserDefaults& defaults = UserDefaults::standard();
    defaults.registerDefaults({{MarkDownSyntaxEnabledDefaultsKey, PropertyList(true)}});
    setMarkDownSyntaxEnabled(defaults.boolForKey(MarkDownSyntaxEnabledDefaultsKey));
    _defaultsObservation = defaults.observe(MarkDownSyntaxEnabledDefaultsKey, [this](const std::string& key) {
        setMarkDownSyntaxEnabled(UserDefaults::standard().boolForKey(key));
    });
}

MarkdownSettingsNexus::~MarkdownSettingsNexus() = default;

MarkdownSettingsNexus& MarkdownSettingsNexus::instance()
{
    // Made after the user defaults it observes, so it goes away before them at exit.
    static MarkdownSettingsNexus nexus;
    return nexus;
}

bool MarkdownSettingsNexus::markDownSyntaxEnabled()
{
    return markDownSyntaxEnabledFlag;
}

void MarkdownSettingsNexus::setMarkDownSyntaxEnabled(bool enabled)
{
    if (enabled == markDownSyntaxEnabledFlag) return;
    markDownSyntaxEnabledFlag = enabled;
    NotificationCenter::defaultCenter().post(MarkdownSyntaxSupportChangedNotification, nullptr);
}
