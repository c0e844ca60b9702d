#pragma once

#include "platform/Pasteboard.h"

#include <glibmm/refptr.h>
#include <sigc++/connection.h>

#include <memory>

namespace Gtk {
class Clipboard;
}

// The desktop's clipboard as the general pasteboard. What this process declares it keeps and hands
// out when another program asks; what another program holds is read when asked for, waiting for
// that program's answer. Plain text travels under the desktop's text targets as well, so that
// other programs can paste it.
class GtkPasteboard : public Pasteboard {
public:
    GtkPasteboard();
    ~GtkPasteboard() override;
    GtkPasteboard(const GtkPasteboard&) = delete;
    GtkPasteboard& operator=(const GtkPasteboard&) = delete;

    int64_t declareTypes(const std::vector<std::string>& types) override;
    std::vector<std::string> types() const override;
    int64_t changeCount() const override { return _changeCount; }
    bool setData(const std::vector<uint8_t>& data, const std::string& type) override;
    std::optional<std::vector<uint8_t>> dataForType(const std::string& type) const override;

private:
    Glib::RefPtr<Gtk::Clipboard> _clipboard;
    // What this process offers while it owns the clipboard.
    MemoryPasteboard _content;
    bool _owned = false;
    // Tells the clear callback of an older declaration from that of the current one.
    std::shared_ptr<uint64_t> _generation = std::make_shared<uint64_t>(0);
    int64_t _changeCount = 0;
    sigc::connection _ownerChange;
};
