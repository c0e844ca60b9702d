#pragma once

#include "platform/NotificationCenter.h"

// Posted with no object when the markdown setting really changes.
inline constexpr char MarkdownSyntaxSupportChangedNotification[] = "MarkdownSyntaxSupportChangedNotification";

// User default that switches the markdown span markup on or off; registered as true.
inline constexpr char MarkDownSyntaxEnabledDefaultsKey[] = "markDownSyntaxEnabled";

// Holder of the process-wide markdown setting. The value is one process-wide flag, starting as
// true, so every holder reads and writes the same setting. A holder follows the user default:
// changing it anywhere (the preferences) changes the setting.
class MarkdownSettingsNexus {
public:
    // Registers the user default, takes its value and starts following it.
    MarkdownSettingsNexus();
    ~MarkdownSettingsNexus();
    MarkdownSettingsNexus(const MarkdownSettingsNexus&) = delete;
    MarkdownSettingsNexus& operator=(const MarkdownSettingsNexus&) = delete;

    // The shared holder, made on first use and kept until the process ends.
    static MarkdownSettingsNexus& instance();

    // Reading needs no holder: the flag exists before any holder is made.
    static bool markDownSyntaxEnabled();
    void setMarkDownSyntaxEnabled(bool enabled);

private:
    ObservationToken _defaultsObservation;
};
