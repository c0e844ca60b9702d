#include "platform/gtk/GtkPasteboard.h"

#include <gtkmm.h>

#include <algorithm>

namespace {

// The desktop's names for plain text, best first; other types travel under their own name.
const std::vector<std::string>& textTargets()
{
    static const std::vector<std::string> targets{"UTF8_STRING", "text/plain;charset=utf-8", "text/plain", "STRING",
                                                  "TEXT"};
    return targets;
}

bool isTextTarget(const std::string& target)
{
    const auto& targets = textTargets();
    return std::find(targets.begin(), targets.end(), target) != targets.end();
}

} // namespace

GtkPasteboard::GtkPasteboard() : _clipboard(Gtk::Clipboard::get(GDK_SELECTION_CLIPBOARD))
{
    _ownerChange = _clipboard->signal_owner_change().connect([this](GdkEventOwnerChange*) {
        // Our own declarations are counted when made; this counts another program's copy.
        if (!_owned) {
            ++_changeCount;
            askForOfferedTypes();
        }
    });
    askForOfferedTypes();
}

void GtkPasteboard::askForOfferedTypes()
{
    const uint64_t request = ++_offered->asked;
    std::weak_ptr<OfferedTypes> offered = _offered;
    _clipboard->request_targets([offered, request](const std::vector<Glib::ustring>& targets) {
        auto live = offered.lock();
        // An older answer never replaces a newer one.
        if (!live || request < live->answered) return;
        live->answered = request;
        live->types.clear();
        for (const Glib::ustring& name : targets) {
            const std::string target = name;
            const std::string type = isTextTarget(target) ? std::string(Pasteboard::StringType) : target;
            if (std::find(live->types.begin(), live->types.end(), type) == live->types.end())
                live->types.push_back(type);
        }
    });
}

bool GtkPasteboard::typesKnown() const
{
    return _owned || _offered->answered == _offered->asked;
}

GtkPasteboard::~GtkPasteboard()
{
    _ownerChange.disconnect();
    // What this process offered goes with it; the clear callback must not reach a dead object.
    ++*_generation;
    if (_owned) _clipboard->clear();
}

int64_t GtkPasteboard::declareTypes(const std::vector<std::string>& types)
{
    _content.declareTypes(types);
    std::vector<Gtk::TargetEntry> targets;
    for (const std::string& type : _content.types()) {
        if (type == StringType) {
            for (const std::string& target : textTargets()) targets.emplace_back(target);
        } else {
            targets.emplace_back(type);
        }
    }
    const uint64_t generation = ++*_generation;
    std::weak_ptr<uint64_t> current = _generation;
    _owned = true;
    _clipboard->set(
        targets,
        [this, current, generation](Gtk::SelectionData& selection, guint) {
            auto live = current.lock();
            if (!live || *live != generation) return;
            const std::string target = selection.get_target();
            const std::string type = isTextTarget(target) ? std::string(StringType) : target;
            if (auto data = _content.dataForType(type)) selection.set(target, 8, data->data(), int(data->size()));
        },
        [this, current, generation] {
            auto live = current.lock();
            if (live && *live == generation) _owned = false;
        });
    return ++_changeCount;
}

std::vector<std::string> GtkPasteboard::types() const
{
    if (_owned) return _content.types();
    // Until the newest answer arrives the last one stands: a few milliseconds after a copy
    // elsewhere, never a wait.
    return _offered->types;
}

bool GtkPasteboard::setData(const std::vector<uint8_t>& data, const std::string& type)
{
    return _owned && _content.setData(data, type);
}

std::optional<std::vector<uint8_t>> GtkPasteboard::dataForType(const std::string& type) const
{
    if (_owned) return _content.dataForType(type);
    if (type == StringType) {
        if (!_clipboard->wait_is_text_available()) return std::nullopt;
        const std::string text = _clipboard->wait_for_text();
        return std::vector<uint8_t>(text.begin(), text.end());
    }
    // The C call, because a program that offers nothing under the type answers no selection at all.
    GtkSelectionData* selection =
        gtk_clipboard_wait_for_contents(_clipboard->gobj(), gdk_atom_intern(type.c_str(), FALSE));
    if (!selection) return std::nullopt;
    std::optional<std::vector<uint8_t>> data;
    const int length = gtk_selection_data_get_length(selection);
    if (length >= 0) {
        const guchar* bytes = gtk_selection_data_get_data(selection);
        data = std::vector<uint8_t>(bytes, bytes + length);
    }
    gtk_selection_data_free(selection);
    return data;
}
