#include "panels/gtk/PropertyDialogs.h"

#include "MindMaps/LayoutModes.h"
#include "MindMaps/TopicTextLimit.h"
#include "editor-view/InplaceTextEditor.h"
#include "panels/EmbeddedNotePanelController.h"
#include "panels/ModalResult.h"
#include "panels/RelationStyleDialog.h"
#include "panels/gtk/MapStyleDialog.h"
#include "panels/gtk/ModalDialog.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include "platform/gtk/GtkAlertPanel.h"
#include "platform/gtk/GtkNamedImages.h"
#include "platform/gtk/LabelledField.h"

#include <algorithm>

namespace {

std::function<void(Gtk::Dialog&)>& shownObserver()
{
    static std::function<void(Gtk::Dialog&)> observer;
    return observer;
}

Gtk::Button* addButtons(Gtk::Dialog& dialog)
{
    dialog.add_button(localized("cancel_button_title"), Gtk::RESPONSE_CANCEL);
    Gtk::Button* ok = dialog.add_button(localized("ok_button_title"), ModalResult::OK);
    dialog.set_default_response(ModalResult::OK);
    return ok;
}

void setUpTextView(TextViewEx& view, Gtk::ScrolledWindow& scroll, int height)
{
    initializeAsPlainText(view);
    scroll.add(view);
    scroll.set_shadow_type(Gtk::SHADOW_IN);
    scroll.set_policy(Gtk::POLICY_NEVER, Gtk::POLICY_AUTOMATIC);
    scroll.set_size_request(380, height);
}

void setUpLabel(Gtk::Label& label, const char* key)
{
    label.set_text(localized(key));
    label.set_halign(Gtk::ALIGN_START);
    label.set_line_wrap(true);
    label.set_max_width_chars(60);
}

// The labelled text and note fields of the topic dialogs, filled and packed into the box.
void setUpTextAndNote(Gtk::Box& box, Gtk::Label& textLabel, TextViewEx& text, Gtk::ScrolledWindow& textScroll,
                      Gtk::Label& noteLabel, TextViewEx& note, Gtk::ScrolledWindow& noteScroll,
                      const std::string& textValue, const std::string& noteValue)
{
    setUpLabel(textLabel, NodePropertiesPanelController::TextLabelKey);
    setUpLabel(noteLabel, NodePropertiesPanelController::NoteLabelKey);
    setUpTextView(text, textScroll, 80);
    setUpTextView(note, noteScroll, 160);
    setPlainTextString(text, textValue);
    setPlainTextString(note, noteValue);
    labelField(textLabel, text);
    labelField(noteLabel, note);
    box.pack_start(textLabel, Gtk::PACK_SHRINK);
    box.pack_start(textScroll, Gtk::PACK_EXPAND_WIDGET);
    box.pack_start(noteLabel, Gtk::PACK_SHRINK);
    box.pack_start(noteScroll, Gtk::PACK_EXPAND_WIDGET);
}

// A style tab: the explaining label over the style frame.
void setUpStylePage(Gtk::Box& page, Gtk::Label& label, const char* key, Gtk::Widget& styleView)
{
    setUpLabel(label, key);
    label.set_margin_start(12);
    label.set_margin_end(12);
    label.set_margin_top(12);
    page.pack_start(label, Gtk::PACK_SHRINK);
    EmbedViewInContainer(styleView, page, false);
}

// A topic's or a free text's text takes what comes in as the editor on the canvas does: up to the
// topic text limit, or a stored longer text's length.
std::unique_ptr<PlainTextViewPastes> textPastes(Gtk::TextView& view, const std::string& stored)
{
    const size_t allowed = TopicTextLimit::allowedCharacters(stored);
    return std::make_unique<PlainTextViewPastes>(
        view, [allowed](std::string_view before, std::string_view text, std::string_view after) {
            return InplaceTextEditor::fitTextInsertion(before, text, after, allowed);
        });
}

// A note takes what comes in as the note tab does.
std::unique_ptr<PlainTextViewPastes> notePastes(Gtk::TextView& view)
{
    return std::make_unique<PlainTextViewPastes>(view,
                                                 [](std::string_view before, std::string_view text, std::string_view) {
                                                     return EmbeddedNotePanelController::fitNoteInsertion(before, text);
                                                 });
}

std::string textOf(Gtk::TextView& view)
{
    return view.get_buffer()->get_text(false);
}

// Runs a dialog through the one modal helper, telling the observer once it shows.
int runDialog(Gtk::Dialog& dialog)
{
    sigc::connection shown;
    if (shownObserver()) shown = dialog.signal_show().connect([&dialog] { shownObserver()(dialog); });
    const int result = ModalDialog::run(dialog);
    shown.disconnect();
    return result;
}

} // namespace

NodePropertiesDialog::NodePropertiesDialog(NodePropertiesPanelController& controller)
    : _controller(controller), _styleView(controller.nodeStyleFrame())
{
    set_title(localized(NodePropertiesPanelController::TitleKey));
    _ok = addButtons(*this);
    _topicPage.set_border_width(12);
    setUpTextAndNote(_topicPage, _textLabel, _text, _textScroll, _noteLabel, _note, _noteScroll, controller.text,
                     controller.note);
    _textPastes = textPastes(_text, controller.text);
    _notePastes = notePastes(_note);
    setUpStylePage(_stylePage, _styleLabel, NodePropertiesPanelController::StyleLabelKey, _styleView);
    _tabs.append_page(_topicPage, localized(NodePropertiesPanelController::TopicTabKey));
    _tabs.append_page(_stylePage, localized(NodePropertiesPanelController::StyleTabKey));
    get_content_area()->pack_start(_tabs, Gtk::PACK_EXPAND_WIDGET);
    show_all_children();
    _tabs.set_current_page(0);
    _text.grab_focus();
}

void NodePropertiesDialog::readBack()
{
    _controller.text = textOf(_text);
    _controller.note = textOf(_note);
}

NoteDialog::NoteDialog(NotePanelController& controller) : _controller(controller)
{
    set_title(localized(NodePropertiesPanelController::TitleKey));
    _ok = addButtons(*this);
    Gtk::Box* content = get_content_area();
    content->set_spacing(6);
    content->set_border_width(12);
    setUpTextAndNote(*content, _textLabel, _text, _textScroll, _noteLabel, _note, _noteScroll, controller.text,
                     controller.note);
    _textPastes = textPastes(_text, controller.text);
    _notePastes = notePastes(_note);
    const bool editable = !controller.readOnly();
    _text.set_editable(editable);
    _note.set_editable(editable);
    _ok->set_sensitive(editable);
    show_all_children();
}

void NoteDialog::readBack()
{
    _controller.text = textOf(_text);
    _controller.note = textOf(_note);
}

TextPropertiesDialog::TextPropertiesDialog(TextPanelController& controller)
    : _controller(controller), _styleView(controller.textStyleFrame())
{
    set_title(localized(TextPanelController::TitleKey));
    _ok = addButtons(*this);
    setUpTextView(_text, _textScroll, 160);
    _textScroll.set_border_width(12);
    setPlainTextString(_text, controller.text);
    _textPastes = textPastes(_text, controller.text);
    setUpStylePage(_stylePage, _styleLabel, TextPanelController::StyleLabelKey, _styleView);
    _tabs.append_page(_textScroll, localized(TextPanelController::TextTabKey));
    _tabs.append_page(_stylePage, localized(TextPanelController::StyleTabKey));
    get_content_area()->pack_start(_tabs, Gtk::PACK_EXPAND_WIDGET);
    show_all_children();
    _tabs.set_current_page(0);
    _text.grab_focus();
}

void TextPropertiesDialog::readBack()
{
    _controller.text = textOf(_text);
}

LayoutModeDialog::LayoutModeDialog(LayoutModePanelController& controller) : _controller(controller)
{
    set_title(localized(LayoutModePanelController::TitleKey));
    _ok = addButtons(*this);
    _modeLabel.set_text(localized(LayoutModePanelController::ModeLabelKey));
    _modeLabel.set_halign(Gtk::ALIGN_START);
    _directionLabel.set_text(localized(LayoutModePanelController::DirectionLabelKey));
    _directionLabel.set_halign(Gtk::ALIGN_START);
    for (int mode = 0; mode < LayoutModePanelController::ModeCount; ++mode) {
        auto* row = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 8));
        row->set_margin_start(6);
        row->set_margin_end(6);
        row->set_margin_top(4);
        row->set_margin_bottom(4);
        auto* picture = Gtk::manage(new Gtk::Image());
        setGtkImagePicture(*picture, Image::fromResource(LayoutModePanelController::ModeImageNames[size_t(mode)]));
        row->pack_start(*picture, Gtk::PACK_SHRINK);
        auto* label = Gtk::manage(new Gtk::Label(LayoutModeDisplayName(mode)));
        label->set_halign(Gtk::ALIGN_START);
        row->pack_start(*label, Gtk::PACK_EXPAND_WIDGET);
        _modes.append(*row);
    }
    _modes.set_selection_mode(Gtk::SELECTION_SINGLE);
    _modes.set_size_request(200, -1);
    _none.set_group(_group);
    for (int index = 0; index < LayoutModePanelController::RadioCount; ++index) {
        auto radio = std::make_unique<Gtk::RadioButton>(_group);
        radio->signal_toggled().connect([this, index, raw = radio.get()] {
            if (!_showing && raw->get_active()) _controller.radioClicked(static_cast<size_t>(index));
        });
        _radioBox.pack_start(*radio, Gtk::PACK_SHRINK);
        _radios.push_back(std::move(radio));
    }
    _grid.set_row_spacing(6);
    _grid.set_column_spacing(18);
    _grid.set_border_width(12);
    _grid.attach(_modeLabel, 0, 0, 1, 1);
    _grid.attach(_directionLabel, 1, 0, 1, 1);
    _grid.attach(_modes, 0, 1, 1, 1);
    _grid.attach(_radioBox, 1, 1, 1, 1);
    get_content_area()->pack_start(_grid, Gtk::PACK_EXPAND_WIDGET);
    show_all_children();
    keepRoomForEveryModesRadios();
    _showing = true;
    _modes.select_row(*_modes.get_row_at_index(controller.layoutMode()));
    _showing = false;
    _modes.signal_row_selected().connect([this](Gtk::ListBoxRow* row) {
        // The list reports its selection again when it shows; only a new mode resets the radios.
        if (!_showing && row && row->get_index() != _controller.layoutMode()) _controller.rowSelected(row->get_index());
    });
    _controller.setRadiosChangedHandler([this] { showRadios(); });
    showRadios();
}

LayoutModeDialog::~LayoutModeDialog()
{
    _controller.setRadiosChangedHandler(nullptr);
}

void LayoutModeDialog::keepRoomForEveryModesRadios()
{
    // The radios box takes the room of the widest and tallest set of radios, so that picking a
    // mode never resizes the dialog and OK stays under the pointer.
    int width = 0;
    int height = 0;
    for (int mode = 0; mode < LayoutModePanelController::ModeCount; ++mode) {
        const std::vector<int32_t> directions = LayoutModePanelController::directionsForMode(mode);
        for (size_t index = 0; index < _radios.size(); ++index) {
            if (index < directions.size()) _radios[index]->set_label(LayoutDirectionDisplayName(directions[index]));
            _radios[index]->set_visible(index < directions.size());
        }
        Gtk::Requisition minimum, natural;
        _radioBox.get_preferred_size(minimum, natural);
        width = std::max(width, natural.width);
        height = std::max(height, natural.height);
    }
    _radioBox.set_size_request(width, height);
}

void LayoutModeDialog::showRadios()
{
    _showing = true;
    const auto& radios = _controller.radios();
    _none.set_active(true);
    for (size_t index = 0; index < _radios.size(); ++index) {
        Gtk::RadioButton& radio = *_radios[index];
        if (index < radios.size()) {
            radio.set_label(LayoutDirectionDisplayName(radios[index].tag));
            radio.show();
            if (radios[index].on) radio.set_active(true);
        } else {
            radio.hide();
        }
    }
    _showing = false;
}

void installPropertyDialogs()
{
    GtkAlertPanel::registerAccessory(RelationStyleDialog::AccessoryName, [](const std::any& model) -> Gtk::Widget* {
        auto* const* frame = std::any_cast<RelationStyleFrame*>(&model);
        if (!frame || !*frame) return nullptr;
        return Gtk::manage(new RelationStyleFrameView(**frame));
    });
    NodePropertiesPanelController::setWindow([](NodePropertiesPanelController& controller) {
        NodePropertiesDialog dialog(controller);
        const int result = runDialog(dialog);
        if (ModalResult::isConfirmed(result)) dialog.readBack();
        return result;
    });
    NotePanelController::setWindow([](NotePanelController& controller) {
        NoteDialog dialog(controller);
        const int result = runDialog(dialog);
        if (ModalResult::isConfirmed(result)) dialog.readBack();
        return result;
    });
    TextPanelController::setWindow([](TextPanelController& controller) {
        TextPropertiesDialog dialog(controller);
        const int result = runDialog(dialog);
        if (ModalResult::isConfirmed(result)) dialog.readBack();
        return result;
    });
    LayoutModePanelController::setWindow([](LayoutModePanelController& controller) {
        LayoutModeDialog dialog(controller);
        return runDialog(dialog);
    });
    installMapStyleDialog();
}

void setPropertyDialogShownObserver(std::function<void(Gtk::Dialog& dialog)> observer)
{
    shownObserver() = std::move(observer);
}
