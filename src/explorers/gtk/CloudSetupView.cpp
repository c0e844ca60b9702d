#include "explorers/gtk/CloudSetupView.h"

#include "Editor/gtk/ToolbarImageFactory.h"
#include "explorers/CloudSetupViewController.h"
#include "platform/Image.h"
#include "platform/gtk/GtkNamedImages.h"

#include <cmath>

namespace {

Glib::RefPtr<Gdk::Pixbuf> pixbufOf(const Image& image)
{
    if (image.isNull()) return {};
    return Glib::wrap(gdk_pixbuf_get_from_surface(image.surface(), 0, 0, image.pixelWidth(), image.pixelHeight()));
}

// The hairline under each row, as thin as the window's scale allows.
class RowSeparator : public Gtk::DrawingArea {
public:
    RowSeparator() { set_size_request(-1, 1); }

protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override
    {
        const double width = CloudSetupViewController::separatorLineWidth(get_scale_factor());
        cr->set_source_rgb(0.5, 0.5, 0.5);
        cr->set_line_cap(Cairo::LINE_CAP_SQUARE);
        cr->set_line_width(width);
        cr->move_to(0, width);
        cr->line_to(get_allocated_width(), width);
        cr->stroke();
        return true;
    }
};

} // namespace

CloudSetupView::CloudSetupView(CloudSetupViewController& controller)
    : Gtk::Box(Gtk::ORIENTATION_VERTICAL, 6), _controller(controller)
{
    // The rows' pictures are named in the toolbar's image table.
    ToolbarImageFactory::install();
    _header.set_text(controller.headerText());
    _header.set_xalign(0);
    _header.set_margin_start(8);
    _header.set_margin_top(6);
    _list.set_selection_mode(Gtk::SELECTION_NONE);
    pack_start(_header, Gtk::PACK_SHRINK);
    pack_start(_list, Gtk::PACK_EXPAND_WIDGET);
    // A button's own click may change the providers: its row is rebuilt once the click is over.
    _controller.setReloadHandler([this] {
        if (!_pendingReload.connected())
            _pendingReload = Glib::signal_idle().connect([this] {
                reloadData();
                return false;
            });
    });
    reloadData();
    show_all_children();
}

CloudSetupView::~CloudSetupView()
{
    _pendingReload.disconnect();
    _controller.setReloadHandler(nullptr);
}

void CloudSetupView::reloadData()
{
    for (Gtk::Widget* row : _list.get_children()) {
        _list.remove(*row);
        delete row;
    }
    for (size_t index = 0; index < _controller.numberOfRows(); ++index) {
        const CloudSetupViewController::Row shown = _controller.rowAt(index);
        auto* row = Gtk::manage(new Gtk::ListBoxRow());
        row->set_activatable(false);
        row->set_selectable(CloudSetupViewController::shouldSelectRow(index));
        auto* column = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_VERTICAL, 0));
        auto* line = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 8));
        line->set_size_request(-1, static_cast<int>(CloudSetupViewController::RowHeight) - 1);
        line->set_margin_start(8);
        line->set_margin_end(8);
        auto* icon = Gtk::manage(new Gtk::Image());
        setGtkImageNamed(*icon, shown.iconImageName);
        auto* title = Gtk::manage(new Gtk::Label());
        title->set_text(shown.title); // plain text: a provider's title is never markup
        title->set_xalign(0);
        title->set_ellipsize(Pango::ELLIPSIZE_END);
        auto* button = Gtk::manage(new Gtk::Button());
        button->set_label(shown.buttonTitle);
        button->set_use_underline(false);
        button->set_image(*Gtk::manage(new Gtk::Image(pixbufOf(Image::fromResource(shown.buttonImageName)))));
        button->set_always_show_image(true);
        button->set_valign(Gtk::ALIGN_CENTER);
        const int64_t tag = shown.tag;
        button->signal_clicked().connect([this, tag, button] {
            _controller.providerButtonClicked(tag, std::any(static_cast<Gtk::Widget*>(button)));
        });
        line->pack_start(*icon, Gtk::PACK_SHRINK);
        line->pack_start(*title, Gtk::PACK_EXPAND_WIDGET);
        line->pack_end(*button, Gtk::PACK_SHRINK);
        column->pack_start(*line, Gtk::PACK_EXPAND_WIDGET);
        column->pack_start(*Gtk::manage(new RowSeparator()), Gtk::PACK_SHRINK);
        row->add(*column);
        row->set_data("tarnwick-button", button);
        _list.append(*row);
    }
    _list.show_all();
}

Gtk::Button* CloudSetupView::buttonOfRow(size_t row)
{
    Gtk::ListBoxRow* shown = _list.get_row_at_index(static_cast<int>(row));
    return shown ? static_cast<Gtk::Button*>(shown->get_data("tarnwick-button")) : nullptr;
}
