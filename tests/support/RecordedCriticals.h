#pragma once

#include <glib.h>

#include <string>
#include <vector>

// The criticals logged while this lives, each as "domain: message" (still printed): a critical is a
// failed precondition, GTK skipped what it was asked, and a caller's fault lies behind it.
class RecordedCriticals {
public:
    RecordedCriticals() { g_log_set_default_handler(&record, this); }
    ~RecordedCriticals() { g_log_set_default_handler(g_log_default_handler, nullptr); }
    RecordedCriticals(const RecordedCriticals&) = delete;
    RecordedCriticals& operator=(const RecordedCriticals&) = delete;

    const std::vector<std::string>& messages() const { return _messages; }

private:
    static void record(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer self)
    {
        if (level & G_LOG_LEVEL_CRITICAL)
            static_cast<RecordedCriticals*>(self)->_messages.push_back(std::string(domain ? domain : "") + ": " +
                                                                       (message ? message : ""));
        g_log_default_handler(domain, level, message, nullptr);
    }

    std::vector<std::string> _messages;
};
