#pragma once

#include "platform/Pasteboard.h"

#include <glibmm/refptr.h>
#include <sigc++/connection.h>

#include <memory>

namespace Gtk {
class Clipboard;
}

// The desktop's clipboard as the general pasteboard. What this process declares it keeps and hands
// out when another program asks; what another program holds comes through read(), whose answer
// arrives with the main loop once that program gives it. Nothing here waits for it: a wait would
// run the main loop inside the command that asked, where a key or a click can end the edit or
// open another map under it. Plain text travels under the desktop's text targets as well, so that
// other programs can paste it.
//
// The types another program offers are asked for when the clipboard changes hands and kept:
// menus and toolbars ask for them on every validation, and waiting there would run the main loop
// inside a validation, where an open or a quit can free the very map being asked about.
//
// A program that goes away before it answers is given up on as soon as the desktop tells so,
// where the toolkit would wait for half a minute.
class GtkPasteboard : public Pasteboard {
public:
    GtkPasteboard() : GtkPasteboard(Selection::Clipboard) {}
    ~GtkPasteboard() override;
    GtkPasteboard(const GtkPasteboard&) = delete;
    GtkPasteboard& operator=(const GtkPasteboard&) = delete;

    int64_t declareTypes(const std::vector<std::string>& types) override;
    std::vector<std::string> types() const override;
    // Whether the types another program offers have arrived since it took the clipboard.
    bool typesKnown() const;
    int64_t changeCount() const override { return _changeCount; }
    bool setData(const std::vector<uint8_t>& data, const std::string& type) override;
    std::optional<std::vector<uint8_t>> dataForType(const std::string& type) const override;
    void read(const std::vector<std::string>& wanted, const PasteboardRequester& requester,
              ReadCompletion done) const override;

    // The desktop's primary selection, what was last selected in any program, for a middle click
    // to paste. It changes hands at every selection: the types it offers are not followed.
    static const Pasteboard& primarySelection();

    // The desktop's names for plain text, best first.
    static const std::vector<std::string>& textTargets();
    // The type data under a desktop target has: plain text under any of the text targets.
    static std::string typeOfTarget(const std::string& target);

private:
    enum class Selection { Clipboard, Primary };
    explicit GtkPasteboard(Selection selection);

    Glib::RefPtr<Gtk::Clipboard> _clipboard;
    // What this process offers while it owns the clipboard.
    MemoryPasteboard _content;
    bool _owned = false;
    // Tells the clear callback of an older declaration from that of the current one.
    std::shared_ptr<uint64_t> _generation = std::make_shared<uint64_t>(0);
    int64_t _changeCount = 0;
    sigc::connection _ownerChange;
    struct OfferedTypes {
        std::vector<std::string> types;
        uint64_t asked = 0;    // requests made
        uint64_t answered = 0; // the request whose answer is kept
    };
    // Shared with the pending requests, which may answer after this object has gone.
    std::shared_ptr<OfferedTypes> _offered = std::make_shared<OfferedTypes>();
    void askForOfferedTypes();
};
