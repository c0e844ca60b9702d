#include "Editor/gtk/ColorPanelWindow.h"

#include "platform/Localizer.h"
#include "platform/gtk/BoundedEntry.h"
#include "platform/gtk/GtkModalRun.h"

#include <glibmm/main.h>
#include <gtk/gtk.h>

namespace {

// The chooser's editor reports every step of a drag; the release that ends it reaches only the
// editor's own gesture, so the panel looks at the pointer this often until it lets go.
constexpr unsigned PointerWatchMilliseconds = 30;

// The custom colour's field takes what GTK reads as a colour: a name ("lightgoldenrodyellow"), a
// hex code or an rgba() form, none longer than this.
constexpr size_t ColorTextCharacters = 32;

void boundColorFields(GtkWidget* widget)
{
    if (GTK_IS_ENTRY(widget) && !GTK_IS_SPIN_BUTTON(widget)) boundEntry(GTK_ENTRY(widget), {ColorTextCharacters});
    if (GTK_IS_CONTAINER(widget))
        gtk_container_forall(
            GTK_CONTAINER(widget), [](GtkWidget* child, gpointer) { boundColorFields(child); }, nullptr);
}

} // namespace

ColorPanelWindow::ColorPanelWindow(ColorPanel& panel) : _panel(panel)
{
    set_title(localized(ColorPanel::TitleKey));
    set_type_hint(Gdk::WINDOW_TYPE_HINT_UTILITY);
    set_skip_taskbar_hint(true);
    set_position(Gtk::WIN_POS_CENTER_ON_PARENT);
    set_border_width(6);
    _chooser = gtk_color_chooser_widget_new();
    gtk_color_chooser_set_use_alpha(GTK_COLOR_CHOOSER(_chooser), false);
    g_signal_connect(_chooser, "notify::rgba", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer window) {
                         static_cast<ColorPanelWindow*>(window)->chooserColorChanged();
                     }),
                     this);
    boundColorFields(_chooser);
    gtk_container_add(GTK_CONTAINER(gobj()), _chooser);
    gtk_widget_show(_chooser);
}

ColorPanelWindow::~ColorPanelWindow()
{
    _pendingPick.disconnect();
    _pointerWatch.disconnect();
}

void ColorPanelWindow::show()
{
    if (!get_visible()) {
        if (Gtk::Window* parent = GtkModalRun::activeWindow(); parent && parent != this) set_transient_for(*parent);
    }
    present();
}

void ColorPanelWindow::close()
{
    _pendingPick.disconnect();
    _pointerWatch.disconnect();
    hide();
}

bool ColorPanelWindow::isVisible() const
{
    return get_visible();
}

void ColorPanelWindow::setColor(const Color& color)
{
    const GdkRGBA rgba{color.red(), color.green(), color.blue(), color.alpha()};
    ++_settingColor;
    gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(_chooser), &rgba);
    --_settingColor;
}

void ColorPanelWindow::chooserColorChanged()
{
    // One pick reports its colour more than once (the swatch, then the chooser); it goes once.
    if (_settingColor || _pendingPick.connected()) return;
    _pendingPick = Glib::signal_idle().connect(sigc::mem_fun(*this, &ColorPanelWindow::sendPick));
}

bool ColorPanelWindow::sendPick()
{
    GdkRGBA rgba{};
    gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(_chooser), &rgba);
    const bool held = primaryButtonHeld();
    _panel.userChoseColor(Color(rgba.red, rgba.green, rgba.blue, rgba.alpha), held);
    if (held && !_pointerWatch.connected())
        _pointerWatch = Glib::signal_timeout().connect(sigc::mem_fun(*this, &ColorPanelWindow::watchPointer),
                                                       PointerWatchMilliseconds);
    return false;
}

bool ColorPanelWindow::primaryButtonHeld()
{
    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(gobj()));
    if (!window) return false;
    GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
    GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
    if (!pointer) return false;
    GdkModifierType mask = GdkModifierType(0);
    gdk_window_get_device_position(window, pointer, nullptr, nullptr, &mask);
    return (mask & GDK_BUTTON1_MASK) != 0;
}

bool ColorPanelWindow::watchPointer()
{
    if (primaryButtonHeld()) return true;
    _panel.pointerReleased();
    return false;
}

bool ColorPanelWindow::on_delete_event(GdkEventAny*)
{
    _panel.close();
    return true;
}

void installColorPanelWindow()
{
    ColorPanel::installViewFactory(
        [](ColorPanel& panel) -> std::unique_ptr<ColorPanelView> { return std::make_unique<ColorPanelWindow>(panel); });
}
