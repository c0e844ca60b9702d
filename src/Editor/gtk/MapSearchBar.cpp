#include "Editor/gtk/MapSearchBar.h"

#include "editor-view/MindMapEditor.h"
#include "platform/Localizer.h"
#include "platform/TextExcerpt.h"
#include "platform/gtk/BoundedEntry.h"

#include <gdk/gdkkeysyms.h>
#include <glibmm/datetime.h>
#include <gtkmm/checkmenuitem.h>
#include <gtkmm/menuitem.h>
#include <gtkmm/separatormenuitem.h>

#include <cmath>

namespace {

// Room the tab's flared top-left corner and rounded bottom corners take from the contents.
constexpr int InnerMargin = 6;
constexpr int FlareWidth = 4;
// The full bar: the search row and the filter row.
constexpr double FullWidth = 470.0;
constexpr double MainRowHeight = 34.0;
constexpr int CheckedPictureSide = 16;

Glib::RefPtr<Gdk::Pixbuf> pixbufOf(const Image& image, Size shownSize)
{
    if (image.isNull()) return {};
    Glib::RefPtr<Gdk::Pixbuf> pixbuf =
        Glib::wrap(gdk_pixbuf_get_from_surface(image.surface(), 0, 0, image.pixelWidth(), image.pixelHeight()));
    const int width = std::max(1, static_cast<int>(std::lround(shownSize.width)));
    const int height = std::max(1, static_cast<int>(std::lround(shownSize.height)));
    if (pixbuf && (pixbuf->get_width() != width || pixbuf->get_height() != height))
        pixbuf = pixbuf->scale_simple(width, height, Gdk::INTERP_BILINEAR);
    return pixbuf;
}

} // namespace

MapSearchBar::Container::Container()
{
    set_visible_window(false);
    set_app_paintable(true);
    set_can_focus(true);
}

bool MapSearchBar::Container::on_draw(const Cairo::RefPtr<Cairo::Context>& cr)
{
    const double width = get_allocated_width();
    const double height = get_allocated_height();
    cr->move_to(3.5, height - 5);
    cr->line_to(3.5, 3.5);
    cr->arc_negative(0, 3.5, 3.5, 0, -M_PI / 2);
    cr->line_to(width, 0);
    cr->arc(width - 5, height - 5, 5, 0, M_PI / 2);
    cr->arc(8.5, height - 5, 5, M_PI / 2, M_PI);
    cr->close_path();
    cr->set_source_rgb(0.82, 0.82, 0.82);
    cr->fill_preserve();
    cr->set_source_rgb(0.6, 0.6, 0.6);
    cr->set_line_width(0.5);
    cr->stroke();
    return Gtk::EventBox::on_draw(cr);
}

bool MapSearchBar::Container::on_button_press_event(GdkEventButton*)
{
    // A click between the controls stays with the bar; the canvas below never sees it.
    grab_focus();
    return true;
}

bool MapSearchBar::Container::on_key_press_event(GdkEventKey* event)
{
    if (event->keyval == GDK_KEY_Escape) {
        NotificationCenter::defaultCenter().post(MapSearchBarController::CancelledNotification, this);
        return true;
    }
    return Gtk::EventBox::on_key_press_event(event);
}

MapSearchBar::MapSearchBar(MindMapEditor& editor)
    : _controller(std::make_unique<MapSearchBarController>(
          editor, Size{FullWidth, MainRowHeight + MapSearchBarController::AdvancedRowHeight}))
{
    _field.set_width_chars(18);
    boundEntry(_field, {EntryBound::SearchCharacters});
    _field.set_placeholder_text(localized("map_list_search"));
    _field.set_icon_activatable(true, Gtk::ENTRY_ICON_PRIMARY);
    _field.set_icon_tooltip_text(localized("map_list_search"), Gtk::ENTRY_ICON_PRIMARY);
    // Every letter searches at once: the counter follows the typing.
    _field.signal_changed().connect([this] {
        if (_updating == 0) _controller->setSearchText(_field.get_text());
    });
    _field.signal_activate().connect([this] { fieldActivated(false); });
    _field.signal_key_press_event().connect(
        [this](GdkEventKey* event) {
            if ((event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter) &&
                (event->state & GDK_SHIFT_MASK)) {
                fieldActivated(true);
                return true;
            }
            return false;
        },
        false);
    _field.signal_stop_search().connect([this] {
        NotificationCenter::defaultCenter().post(MapSearchBarController::CancelledNotification, container());
    });
    _field.signal_icon_press().connect([this](Gtk::EntryIconPosition position, const GdkEventButton* event) {
        if (position != Gtk::ENTRY_ICON_PRIMARY) return;
        fieldMenu().popup_at_widget(&_field, Gdk::GRAVITY_SOUTH_WEST, Gdk::GRAVITY_NORTH_WEST,
                                    reinterpret_cast<const GdkEvent*>(event));
    });

    _previous.set_image_from_icon_name("go-up-symbolic", Gtk::ICON_SIZE_MENU);
    _previous.set_tooltip_text(localized("action_previous"));
    _previous.signal_clicked().connect([this] { _controller->navigationButtonClick(0); });
    _next.set_image_from_icon_name("go-down-symbolic", Gtk::ICON_SIZE_MENU);
    _next.set_tooltip_text(localized("action_next"));
    _next.signal_clicked().connect([this] { _controller->navigationButtonClick(1); });
    _navigation.get_style_context()->add_class("linked");
    _navigation.pack_start(_previous, Gtk::PACK_SHRINK);
    _navigation.pack_start(_next, Gtk::PACK_SHRINK);
    _results.set_width_chars(7);
    _results.set_xalign(1.0f);
    _close.set_image_from_icon_name("window-close-symbolic", Gtk::ICON_SIZE_MENU);
    _close.set_relief(Gtk::RELIEF_NONE);
    _close.set_tooltip_text(localized("close_button_title"));
    _close.signal_clicked().connect([this] { _controller->closeBar(); });

    _mainRow.pack_start(_field, Gtk::PACK_EXPAND_WIDGET);
    _mainRow.pack_start(_navigation, Gtk::PACK_SHRINK);
    _mainRow.pack_start(_results, Gtk::PACK_SHRINK);
    _mainRow.pack_start(_close, Gtk::PACK_SHRINK);
    _mainRow.set_size_request(-1, static_cast<int>(MainRowHeight));

    buildFilters();
    _advancedRow.set_size_request(-1, static_cast<int>(MapSearchBarController::AdvancedRowHeight));
    _advancedRow.set_valign(Gtk::ALIGN_START);

    _rows.pack_start(_mainRow, Gtk::PACK_SHRINK);
    _rows.pack_start(_advancedRow, Gtk::PACK_SHRINK);
    _rows.set_margin_start(InnerMargin + FlareWidth);
    _rows.set_margin_end(InnerMargin);
    _rows.set_margin_top(2);
    _rows.set_margin_bottom(2);
    _container.add(_rows);
    _container.set_size_request(static_cast<int>(FullWidth), -1);
    _revealer.add(_container);
    _revealer.set_transition_type(Gtk::REVEALER_TRANSITION_TYPE_SLIDE_DOWN);
    _revealer.set_transition_duration(SlideMilliseconds);
    _revealer.set_halign(Gtk::ALIGN_END);
    _revealer.set_valign(Gtk::ALIGN_START);
    _revealer.show_all();
    _revealer.set_reveal_child(false);
    _revealer.set_no_show_all(true);
    _revealer.hide();
    // The revealer keeps its place while it slides out; once closed it gives up the place and
    // takes no more clicks.
    _revealer.property_child_revealed().signal_changed().connect([this] {
        if (!_revealer.get_reveal_child() && !_revealer.get_child_revealed()) _revealer.hide();
    });

    _controller->setView(this);
}

MapSearchBar::~MapSearchBar()
{
    _controller->setView(nullptr);
}

void MapSearchBar::buildFilters()
{
    _iconModel = Gtk::ListStore::create(_columns);
    Gtk::TreeModel::Row anyIcon = *_iconModel->append();
    anyIcon[_columns.title] = localized("search_filter_any_icon");
    _iconPopup.set_model(_iconModel);
    _iconPopup.pack_start(_iconPicture, false);
    _iconPopup.add_attribute(_iconPicture.property_pixbuf(), _columns.image);
    _iconPopup.pack_start(_columns.title);
    _iconPopup.set_active(0);
    _iconPopup.signal_changed().connect([this] {
        if (_updating != 0) return;
        Gtk::TreeModel::iterator active = _iconPopup.get_active();
        _controller->setIconFilter(active ? std::string((*active)[_columns.key]) : std::string());
    });
    // Before the list opens it shows the icons the map's topics show now.
    _iconPopup.property_popup_shown().signal_changed().connect([this] {
        if (_iconPopup.property_popup_shown()) updateIconPopup();
    });

    _checkedModel = Gtk::ListStore::create(_columns);
    const char* const checkedTitles[] = {"search_filter_any_state", "checkbox_mode_checkbox_unchecked",
                                         "checkbox_mode_checkbox_checked"};
    for (int i = 0; i < 3; ++i) {
        Gtk::TreeModel::Row row = *_checkedModel->append();
        row[_columns.title] = localized(checkedTitles[i]);
        if (i > 0) {
            const Image picture = MapSearchBarController::checkedImage(i == 2);
            row[_columns.image] = pixbufOf(picture, {CheckedPictureSide, CheckedPictureSide});
        }
    }
    _checkedPopup.set_model(_checkedModel);
    _checkedPopup.pack_start(_checkedPicture, false);
    _checkedPopup.add_attribute(_checkedPicture.property_pixbuf(), _columns.image);
    _checkedPopup.pack_start(_columns.title);
    fitPictureColumn(_checkedPicture, CheckedPictureSide);
    _checkedPopup.set_active(0);
    _checkedPopup.signal_changed().connect([this] {
        if (_updating == 0) _controller->setCheckedFilterIndex(_checkedPopup.get_active_row_number());
    });

    _datePopup.append(localized("search_filter_any_date"));
    _datePopup.append(localized("search_filter_date_before"));
    _datePopup.append(localized("search_filter_date_after"));
    _datePopup.set_active(0);
    _datePopup.signal_changed().connect([this] {
        if (_updating != 0) return;
        _dateButton.set_sensitive(_datePopup.get_active_row_number() > 0);
        _controller->setDateFilterIndex(_datePopup.get_active_row_number());
    });
    _calendar.signal_day_selected().connect([this] {
        if (_updating != 0) return;
        guint year = 0, month = 0, day = 0;
        _calendar.get_date(year, month, day);
        Glib::DateTime local = Glib::DateTime::create_local(static_cast<int>(year), static_cast<int>(month) + 1,
                                                            static_cast<int>(day), 12, 0, 0);
        _controller->setFilterDate(std::chrono::system_clock::from_time_t(static_cast<time_t>(local.to_unix())));
        updateDateLabel();
    });
    _calendar.show();
    _datePopover.add(_calendar);
    _datePopover.set_border_width(6);
    _dateButton.set_popover(_datePopover);
    _dateButton.set_sensitive(false);
    updateDateLabel();

    _advancedRow.pack_start(_iconPopup, Gtk::PACK_SHRINK);
    _advancedRow.pack_start(_checkedPopup, Gtk::PACK_SHRINK);
    _advancedRow.pack_start(_datePopup, Gtk::PACK_SHRINK);
    _advancedRow.pack_start(_dateButton, Gtk::PACK_EXPAND_WIDGET);
    for (Gtk::Widget* widget :
         std::initializer_list<Gtk::Widget*>{&_iconPopup, &_checkedPopup, &_datePopup, &_dateButton})
        widget->set_valign(Gtk::ALIGN_CENTER);
}

void MapSearchBar::fitPictureColumn(Gtk::CellRendererPixbuf& picture, int widest)
{
    // The box gives a pop-up the width of its shown entry, while the entry draws its picture
    // column as wide as the widest picture of the list: an entry without a picture ("Any Icon")
    // had its text cut by that much. A column of one width for every entry needs the same room in
    // both.
    int xpad = 0, ypad = 0;
    picture.get_padding(xpad, ypad);
    picture.set_fixed_size(widest > 0 ? widest + 2 * xpad : 0, -1);
    picture.set_visible(widest > 0);
}

void MapSearchBar::updateDateLabel()
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(_controller->filterDate().time_since_epoch());
    const Glib::DateTime date = Glib::DateTime::create_now_local(static_cast<gint64>(seconds.count()));
    _dateButton.set_label(date.format("%x"));
}

void MapSearchBar::updateIconPopup()
{
    _controller->updateIconFilterItems(_iconItems);
    ++_updating;
    const std::string active = _controller->iconFilter();
    _iconModel->clear();
    Gtk::TreeModel::Row anyIcon = *_iconModel->append();
    anyIcon[_columns.title] = localized("search_filter_any_icon");
    int activeRow = 0;
    int widestPicture = 0;
    for (size_t i = 1; i < _iconItems.size(); ++i) {
        const IconFilterItem& item = _iconItems[i];
        Gtk::TreeModel::Row row = *_iconModel->append();
        row[_columns.key] = item.key;
        if (item.image) {
            row[_columns.image] = pixbufOf(*item.image, item.imageSize);
            widestPicture = std::max(widestPicture, static_cast<int>(std::lround(item.imageSize.width)));
        }
        if (item.key == active) activeRow = static_cast<int>(i);
    }
    fitPictureColumn(_iconPicture, widestPicture);
    _iconPopup.set_active(activeRow);
    --_updating;
    // The icon filtered by is no topic's any more: the filter goes with it.
    if (activeRow == 0 && !active.empty()) _controller->setIconFilter({});
}

Gtk::Menu& MapSearchBar::fieldMenu()
{
    _fieldMenu = std::make_unique<Gtk::Menu>();
    Gtk::Menu& menu = *_fieldMenu;
    auto* caption = Gtk::make_managed<Gtk::MenuItem>(localized("recent_searches_menu_caption"));
    caption->set_sensitive(false);
    menu.append(*caption);
    for (const std::string& recent : _controller->recentSearches()) {
        auto* item = Gtk::make_managed<Gtk::MenuItem>(TextExcerpt::excerpt(recent, TextExcerpt::Quote));
        // A recent search is a plain text, never read as a mnemonic.
        item->set_use_underline(false);
        item->signal_activate().connect([this, recent] {
            _field.set_text(recent);
            _field.set_position(-1);
        });
        menu.append(*item);
    }
    menu.append(*Gtk::make_managed<Gtk::SeparatorMenuItem>());
    auto* clear = Gtk::make_managed<Gtk::MenuItem>(localized("action_clear_recent_searches"));
    clear->set_sensitive(!_controller->recentSearches().empty());
    clear->signal_activate().connect([this] { _controller->clearRecentSearches(); });
    menu.append(*clear);
    menu.append(*Gtk::make_managed<Gtk::SeparatorMenuItem>());
    auto* advanced = Gtk::make_managed<Gtk::CheckMenuItem>(localized("search_menu_advanced_search_mode"));
    advanced->set_active(_controller->isMenuItemChecked(MapSearchBarController::AdvancedSearchTag));
    advanced->signal_activate().connect([this] { _controller->toggleAdvancedSearch(); });
    menu.append(*advanced);
    auto* center = Gtk::make_managed<Gtk::CheckMenuItem>(localized("search_menu_scroll_to_center_mode"));
    center->set_active(_controller->isMenuItemChecked(MapSearchBarController::ScrollCenterTag));
    center->signal_activate().connect([this] { _controller->toggleScrollCenter(); });
    menu.append(*center);
    menu.attach_to_widget(_field);
    menu.show_all();
    return menu;
}

void MapSearchBar::fieldActivated(bool backward)
{
    _controller->addRecentSearch(_field.get_text());
    if (backward) _controller->selectPreviousMatch();
    else _controller->selectNextMatch();
}

void MapSearchBar::toggleMapSearchbar()
{
    if (isBarShown()) _controller->closeBar();
    else showMapSearchbar();
}

void MapSearchBar::showMapSearchbar()
{
    if (isBarShown()) {
        focusSearchField();
        return;
    }
    updateIconPopup();
    _controller->startSearch();
}

void MapSearchBar::setResultsText(const std::string& text)
{
    _results.set_text(text);
}

void MapSearchBar::setNavigationEnabled(bool enabled)
{
    _previous.set_sensitive(enabled);
    _next.set_sensitive(enabled);
}

void MapSearchBar::setAdvancedRowShown(bool shown, double)
{
    _advancedRow.set_visible(shown);
}

bool MapSearchBar::isBarShown() const
{
    return _revealer.get_visible() && _revealer.get_reveal_child();
}

void MapSearchBar::showBar()
{
    _revealer.show();
    _revealer.set_reveal_child(true);
}

void MapSearchBar::hideBar()
{
    _revealer.set_reveal_child(false);
    if (!_revealer.get_mapped()) _revealer.hide();
}

void MapSearchBar::focusSearchField()
{
    // The bar's first slide shows its field only from the slide's first frame on, and GTK hands no
    // key to a focused widget before it is realized: the keys typed at once after Ctrl+F were lost
    // with a critical each. Realized with the window, the field takes them while it slides in.
    if (_revealer.get_realized()) gtk_widget_realize(GTK_WIDGET(_field.gobj()));
    _field.grab_focus();
}
