#include "platform/gtk/GtkPasteboard.h"

#include <gtkmm.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

const std::vector<std::string>& GtkPasteboard::textTargets()
{
    static const std::vector<std::string> targets{"UTF8_STRING", "text/plain;charset=utf-8", "text/plain", "STRING",
                                                  "TEXT"};
    return targets;
}

std::string GtkPasteboard::typeOfTarget(const std::string& target)
{
    const auto& targets = textTargets();
    return std::find(targets.begin(), targets.end(), target) != targets.end() ? std::string(StringType) : target;
}

GtkPasteboard::GtkPasteboard(Selection selection)
    : _clipboard(Gtk::Clipboard::get(selection == Selection::Primary ? GDK_SELECTION_PRIMARY : GDK_SELECTION_CLIPBOARD))
{
    if (selection == Selection::Primary) return;
    _ownerChange = _clipboard->signal_owner_change().connect([this](GdkEventOwnerChange*) {
        // Our own declarations are counted when made; this counts another program's copy.
        if (!_owned) {
            ++_changeCount;
            askForOfferedTypes();
        }
    });
    askForOfferedTypes();
}

const Pasteboard& GtkPasteboard::primarySelection()
{
    // Never destroyed: reads may still be answered while the process ends.
    static const GtkPasteboard* primary = new GtkPasteboard(Selection::Primary);
    return *primary;
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
            const std::string type = typeOfTarget(name);
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
            if (auto data = _content.dataForType(typeOfTarget(target)))
                selection.set(target, 8, data->data(), int(data->size()));
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
// slow, so each step hands the read on to the next. An owner that goes away is given up on at
// once: the toolkit would answer only after half a minute.
struct ForeignRead {
    Glib::RefPtr<Gtk::Clipboard> clipboard;
    std::vector<std::string> wanted;
    size_t next = 0;
    std::weak_ptr<const void> requester;
    Pasteboard::ReadCompletion done;
    // Empty once the read has ended; a request's answer that comes later goes nowhere.
    std::optional<Pasteboard::PendingRead> pending;
    gulong ownerGone = 0;
};

using SharedRead = std::shared_ptr<ForeignRead>;

void finish(const SharedRead& read, const std::string& type, std::vector<uint8_t> data)
{
    if (!read->pending) return;
    read->pending.reset();
    if (read->ownerGone) g_signal_handler_disconnect(read->clipboard->gobj(), std::exchange(read->ownerGone, 0));
    if (read->requester.expired()) return;
    MemoryPasteboard contents;
    if (!data.empty()) {
        contents.declareTypes({type});
        contents.setData(data, type);
        // One copy of a long text or a picture while the requester works on it.
        std::vector<uint8_t>().swap(data);
    }
    read->done(contents);
}

void askNext(const SharedRead& read)
{
    if (!read->pending) return;
    // A requester that has gone is asked for nothing more.
    if (read->requester.expired() || read->next == read->wanted.size()) {
        finish(read, std::string(), {});
        return;
    }
    const std::string& type = read->wanted[read->next++];
    GtkClipboard* clipboard = read->clipboard->gobj();
    if (type == Pasteboard::StringType) {
        // The toolkit's own text request, which takes any of the desktop's text targets.
        gtk_clipboard_request_text(
            clipboard,
            [](GtkClipboard*, const gchar* text, gpointer data) {
                const std::unique_ptr<SharedRead> read(static_cast<SharedRead*>(data));
                if (!text || !*text) return askNext(*read);
                const std::string_view view(text);
                finish(*read, Pasteboard::StringType, std::vector<uint8_t>(view.begin(), view.end()));
            },
            new SharedRead(read));
        return;
    }
    gtk_clipboard_request_contents(
        clipboard, gdk_atom_intern(type.c_str(), FALSE),
        [](GtkClipboard*, GtkSelectionData* selection, gpointer data) {
            const std::unique_ptr<SharedRead> read(static_cast<SharedRead*>(data));
            const int length = selection ? gtk_selection_data_get_length(selection) : -1;
            if (length <= 0) return askNext(*read);
            const guchar* bytes = gtk_selection_data_get_data(selection);
            finish(*read, (*read)->wanted[(*read)->next - 1], std::vector<uint8_t>(bytes, bytes + length));
        },
        new SharedRead(read));
}

void ownerChanged(GtkClipboard*, GdkEventOwnerChange* event, gpointer data)
{
    // A new owner may still be preceded by the answer of the one asked; a gone one never answers.
    if (event->reason != GDK_OWNER_CHANGE_DESTROY && event->reason != GDK_OWNER_CHANGE_CLOSE) return;
    if (const SharedRead read = static_cast<std::weak_ptr<ForeignRead>*>(data)->lock()) finish(read, std::string(), {});
}

} // namespace

void GtkPasteboard::read(const std::vector<std::string>& wanted, const PasteboardRequester& requester,
                         ReadCompletion done) const
{
    if (_owned) {
        Pasteboard::read(wanted, requester, std::move(done));
        return;
    }
    auto read = std::make_shared<ForeignRead>();
    read->clipboard = _clipboard;
    read->wanted = wanted;
    read->requester = requester.token();
    read->done = std::move(done);
    read->pending.emplace();
    read->ownerGone = g_signal_connect_data(
        _clipboard->gobj(), "owner-change", G_CALLBACK(&ownerChanged), new std::weak_ptr<ForeignRead>(read),
        [](gpointer data, GClosure*) { delete static_cast<std::weak_ptr<ForeignRead>*>(data); }, GConnectFlags(0));
    askNext(read);
}
