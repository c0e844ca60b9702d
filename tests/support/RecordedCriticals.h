#pragma once

#include <glib.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

// The criticals logged while this lives, each as "domain: message" (still printed): a critical is a
// failed precondition, GTK skipped what it was asked, and a caller's fault lies behind it. Given
// more levels (G_LOG_LEVEL_WARNING), it records those too. Messages logged in GLib's structured
// form, as GTK logs its own, are recorded as well as those of the older calls.
class RecordedCriticals {
public:
    explicit RecordedCriticals(GLogLevelFlags levels = G_LOG_LEVEL_CRITICAL)
        : _levels(levels), _previous(active().exchange(this))
    {
        // GLib takes one writer a process.
        static std::once_flag writer;
        std::call_once(writer, [] { g_log_set_writer_func(&write, nullptr, nullptr); });
        g_log_set_default_handler(&record, this);
    }
    ~RecordedCriticals()
    {
        g_log_set_default_handler(g_log_default_handler, nullptr);
        active() = _previous;
    }
    RecordedCriticals(const RecordedCriticals&) = delete;
    RecordedCriticals& operator=(const RecordedCriticals&) = delete;

    std::vector<std::string> messages() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _messages;
    }

private:
    static std::atomic<RecordedCriticals*>& active()
    {
        static std::atomic<RecordedCriticals*> recorder{nullptr};
        return recorder;
    }
    // Set while an older call's message goes on to the structured writer, which must not count it twice.
    static bool& forwarding()
    {
        thread_local bool inside = false;
        return inside;
    }

    void take(const gchar* domain, GLogLevelFlags level, const std::string& message)
    {
        if (!(level & _levels)) return;
        std::lock_guard<std::mutex> lock(_mutex);
        _messages.push_back(std::string(domain ? domain : "") + ": " + message);
    }

    static void record(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer self)
    {
        static_cast<RecordedCriticals*>(self)->take(domain, level, message ? message : "");
        forwarding() = true;
        g_log_default_handler(domain, level, message, nullptr);
        forwarding() = false;
    }

    static GLogWriterOutput write(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer)
    {
        RecordedCriticals* recorder = active();
        if (recorder && !forwarding()) {
            const gchar* domain = nullptr;
            std::string message;
            for (gsize i = 0; i < count; ++i) {
                const auto* value = static_cast<const gchar*>(fields[i].value);
                if (std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0) domain = value;
                else if (std::strcmp(fields[i].key, "MESSAGE") == 0 && value)
                    message = fields[i].length < 0 ? std::string(value) : std::string(value, size_t(fields[i].length));
            }
            recorder->take(domain, level, message);
        }
        return g_log_writer_default(level, fields, count, nullptr);
    }

    GLogLevelFlags _levels;
    RecordedCriticals* _previous;
    mutable std::mutex _mutex;
    std::vector<std::string> _messages;
};
