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
    return std::nullopt;
}

namespace {

// A read of another program's data: the wanted types are asked for one after another until one
// comes with data. The toolkit answers every request, with nothing when the owner fails or is too
// slow, so each step hands the read on to the next.
struct ForeignRead {
    Glib::RefPtr<Gtk::Clipboard> clipboard;
    std::vector<std::string> wanted;
    size_t next = 0;
    std::weak_ptr<const void> requester;
    Pasteboard::ReadCompletion done;
};

void answer(const ForeignRead& read, const std::string& type, std::vector<uint8_t> data)
{
    if (read.requester.expired()) return;
    MemoryPasteboard contents;
    if (!data.empty()) {
        contents.declareTypes({type});
        contents.setData(data, type);
        // One copy of a long text or a picture while the requester works on it.
        std::vector<uint8_t>().swap(data);
    }
    read.done(contents);
}

void askNext(std::unique_ptr<ForeignRead> read)
{
    // A requester that has gone is asked for nothing more.
    if (read->requester.expired()) return;
    if (read->next == read->wanted.size()) {
        answer(*read, std::string(), {});
        return;
    }
    const std::string& type = read->wanted[read->next++];
    GtkClipboard* clipboard = read->clipboard->gobj();
    if (type == Pasteboard::StringType) {
        // The toolkit's own text request, which takes any of the desktop's text targets.
        gtk_clipboard_request_text(
            clipboard,
            [](GtkClipboard*, const gchar* text, gpointer data) {
                std::unique_ptr<ForeignRead> read(static_cast<ForeignRead*>(data));
                if (!text || !*text) return askNext(std::move(read));
                const std::string_view view(text);
                answer(*read, Pasteboard::StringType, std::vector<uint8_t>(view.begin(), view.end()));
            },
            read.release());
        return;
    }
    gtk_clipboard_request_contents(
        clipboard, gdk_atom_intern(type.c_str(), FALSE),
        [](GtkClipboard*, GtkSelectionData* selection, gpointer data) {
            std::unique_ptr<ForeignRead> read(static_cast<ForeignRead*>(data));
            const int length = selection ? gtk_selection_data_get_length(selection) : -1;
            if (length <= 0) return askNext(std::move(read));
            const guchar* bytes = gtk_selection_data_get_data(selection);
            answer(*read, read->wanted[read->next - 1], std::vector<uint8_t>(bytes, bytes + length));
        },
        read.release());
}

} // namespace

void GtkPasteboard::read(const std::vector<std::string>& wanted, const PasteboardRequester& requester,
                         ReadCompletion done) const
{
    if (_owned) {
        Pasteboard::read(wanted, requester, std::move(done));
        return;
    }
    askNext(std::make_unique<ForeignRead>(ForeignRead{_clipboard, wanted, 0, requester.token(), std::move(done)}));
}
