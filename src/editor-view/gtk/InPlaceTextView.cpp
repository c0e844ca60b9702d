#include "editor-view/gtk/InPlaceTextView.h"

#include "editor-view/InplaceTextEditor.h"
#include "editor-view/gtk/GspellLibrary.h"
#include "editor-view/gtk/GspellSpellingService.h"
#include "editor-view/gtk/MindMapEditorCanvas.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/gtk/FocusLoss.h"

// GtkTextView sets up the Pango contexts of its lines itself; reaching them takes its layout.
#define GTK_TEXT_USE_INTERNAL_UNSUPPORTED_API
#include <gtk/gtktextlayout.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// The text view's own room round the text: the frame's outsets, and the pixel GTK keeps at the
// right for the caret.
constexpr int MarginX = static_cast<int>(InplaceTextEditor::FrameOutsetX);
constexpr int MarginY = static_cast<int>(InplaceTextEditor::FrameOutsetY);
constexpr int CaretRoom = 1;

Gdk::RGBA rgba(const Color& color)
{
    Gdk::RGBA value;
    value.set_rgba(color.red(), color.green(), color.blue(), color.alpha());
    return value;
}

std::string cssColor(const Color& color)
{
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "rgba(%d,%d,%d,%.3f)", int(std::lround(color.red() * 255)),
                  int(std::lround(color.green() * 255)), int(std::lround(color.blue() * 255)), color.alpha());
    return buffer;
}

// A family name as a CSS string.
std::string cssString(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        if (c == '\n' || c == '\r') continue;
        quoted += c;
    }
    return quoted + "\"";
}

using FontDescription = std::unique_ptr<PangoFontDescription, decltype(&pango_font_description_free)>;

// The font as the painter describes it, its size made absolute: the text view's Pango contexts
// have the screen's resolution, the painter's 72 dots per inch.
FontDescription absoluteDescription(const Font& font)
{
    FontDescription description(font.newPangoDescription(), pango_font_description_free);
    if (!pango_font_description_get_size_is_absolute(description.get()))
        pango_font_description_set_absolute_size(description.get(), pango_font_description_get_size(description.get()));
    return description;
}

Gtk::Justification justification(TextAlignment alignment)
{
    switch (alignment) {
    case TextAlignment::Left:
        return Gtk::JUSTIFY_LEFT;
    case TextAlignment::Right:
        return Gtk::JUSTIFY_RIGHT;
    case TextAlignment::Center:
        break;
    }
    return Gtk::JUSTIFY_CENTER;
}

} // namespace

bool GtkInplaceTextView::OffsetTextView::on_draw(const Cairo::RefPtr<Cairo::Context>& cr)
{
    cr->save();
    cr->translate(offset.x, offset.y);
    const bool drawn = Gtk::TextView::on_draw(cr);
    cr->restore();
    return drawn;
}

bool GtkInplaceTextView::BorderArea::on_draw(const Cairo::RefPtr<Cairo::Context>& cr)
{
    CairoGraphicsContext context(cr->cobj(), GraphicsSurfaceKind::Screen);
    border.draw(context, bounds);
    return true;
}

GtkInplaceTextView::GtkInplaceTextView(Gtk::Overlay& overlay) : _overlay(GTK_WIDGET(overlay.gobj()))
{
    g_object_add_weak_pointer(G_OBJECT(_overlay), reinterpret_cast<gpointer*>(&_overlay));
    _textView.set_name("tarnwick-inplace-text");
    _textView.set_wrap_mode(Gtk::WRAP_WORD_CHAR);
    _textView.set_left_margin(MarginX);
    _textView.set_right_margin(MarginX);
    _textView.set_top_margin(MarginY);
    _textView.set_bottom_margin(MarginY);
    _textView.set_pixels_above_lines(0);
    _textView.set_pixels_below_lines(0);
    _textView.set_pixels_inside_wrap(0);
    _textView.set_accepts_tab(false);
    _textView.set_can_focus(true);
    _border.set_can_focus(false);

    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    gtk_widget_set_font_options(GTK_WIDGET(_textView.gobj()), options);
    cairo_font_options_destroy(options);

    _css = Gtk::CssProvider::create();
    _textView.get_style_context()->add_provider(_css, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);

    auto textBuffer = buffer();
    _tag = textBuffer->create_tag();
    _edits = std::make_unique<TextBufferEdits>(textBuffer, [this](const TextEdit& edit) { report(edit); });
    // Input methods and the toolkit's own moves write into the buffer without asking the edit: it
    // is asked here, where every road meets.
    _edits->setInsertionFilter([this](std::string_view before, std::string_view text, std::string_view after) {
        return _client ? _client->textViewWillInsert(before, text, after) : text.size();
    });
    // The middle click and drops read their text as the edit's paste does, into the edit that asked.
    _transfers =
        std::make_unique<TextViewTransfers>(_textView, *_edits, [this](const Pasteboard& source, TextRange range) {
            if (_client) _client->textViewPasteFrom(source, range);
        });
    _connections.push_back(
        _textView.signal_key_press_event().connect(sigc::mem_fun(*this, &GtkInplaceTextView::keyPressed), false));
    _textViewHandlers.push_back(g_signal_connect(
        _textView.gobj(), "paste-clipboard",
        G_CALLBACK(+[](GtkTextView*, gpointer self) { static_cast<GtkInplaceTextView*>(self)->pasteRequested(); }),
        this));
    _textViewHandlers.push_back(g_signal_connect(
        _textView.gobj(), "preedit-changed", G_CALLBACK(+[](GtkTextView*, gchar* preedit, gpointer self) {
            static_cast<GtkInplaceTextView*>(self)->_inPreedit = preedit && *preedit;
        }),
        this));
    _connections.push_back(connectFocusLeftInsideWindow(_textView, [this] {
        _focusLeft = true;
        if (_client) _client->textViewLostFocus();
    }));
    _connections.push_back(_textView.signal_realize().connect([this] { unroundGlyphPositions(); }, true));
    _connections.push_back(_textView.signal_style_updated().connect([this] { unroundGlyphPositions(); }, true));
    _connections.push_back(
        overlay.signal_get_child_position().connect(sigc::mem_fun(*this, &GtkInplaceTextView::childPosition), false));

    attachInlineSpellChecker(_textView.gobj());
}

GtkInplaceTextView::~GtkInplaceTextView()
{
    _client = nullptr;
    _transfers.reset();
    for (sigc::connection& connection : _connections) connection.disconnect();
    for (gulong handler : _textViewHandlers) g_signal_handler_disconnect(_textView.gobj(), handler);
    remove();
    if (_overlay) g_object_remove_weak_pointer(G_OBJECT(_overlay), reinterpret_cast<gpointer*>(&_overlay));
}

// ---- Text ----

std::string GtkInplaceTextView::text() const
{
    return _edits->text();
}

TextRange GtkInplaceTextView::selectedRange() const
{
    return _edits->selectedRange();
}

void GtkInplaceTextView::setSelectedRange(TextRange range)
{
    _edits->setSelectedRange(range);
}

void GtkInplaceTextView::replaceCharacters(TextRange range, const std::string& replacement)
{
    _edits->replaceCharacters(range, replacement);
}

void GtkInplaceTextView::report(const TextEdit& edit)
{
    applyTextTag();
    if (_client) _client->textDidChange(edit);
}

void GtkInplaceTextView::applyTextTag()
{
    if (_applyingTag) return;
    _applyingTag = true;
    auto textBuffer = buffer();
    textBuffer->apply_tag(_tag, textBuffer->begin(), textBuffer->end());
    _applyingTag = false;
}

void GtkInplaceTextView::pasteRequested()
{
    g_signal_stop_emission_by_name(_textView.gobj(), "paste-clipboard");
    if (_client) _client->textViewPaste();
}

bool GtkInplaceTextView::keyPressed(GdkEventKey* event)
{
    // An input method composing a character takes its keys itself.
    if (_inPreedit || !_client) return false;
    return _client->textViewKeyDown({event->keyval, editorModifiersOfState(event->state)});
}

// ---- Appearance ----

void GtkInplaceTextView::setAppearance(const InplaceTextAppearance& appearance)
{
    _appearance = appearance;
    const FontDescription description = absoluteDescription(appearance.font);
    const Gdk::RGBA color = rgba(appearance.textColor);
    g_object_set(G_OBJECT(_tag->gobj()), "font-desc", description.get(), "foreground-rgba", color.gobj(), nullptr);
    _textView.set_justification(justification(appearance.alignment));
    updateStyle();
    applyTextTag();
}

void GtkInplaceTextView::updateStyle()
{
    // The tag gives the text its font; the widget's own font sizes the caret of an empty line.
    const FontDescription description = absoluteDescription(_appearance.font);
    const double size = double(pango_font_description_get_size(description.get())) / PANGO_SCALE;
    const int weight =
        std::clamp(int(std::lround(int(pango_font_description_get_weight(description.get())) / 100.0)), 1, 9);
    char sizeText[32];
    std::snprintf(sizeText, sizeof sizeText, "%.3fpx", size);
    const std::string css = "#tarnwick-inplace-text, #tarnwick-inplace-text text {"
                            " background-color: transparent; background-image: none; border-width: 0;"
                            " padding: 0; margin: 0; box-shadow: none;"
                            " caret-color: " +
        cssColor(_appearance.textColor) + "; color: " + cssColor(_appearance.textColor) +
        "; font-family: " + cssString(pango_font_description_get_family(description.get())) +
        "; font-size: " + sizeText + "; font-weight: " + std::to_string(weight * 100) +
        "; font-style: " + (_appearance.font.isItalic() ? "italic" : "normal") + "; }";
    try {
        _css->load_from_data(css);
    } catch (const Glib::Error&) {
        // A family name CSS cannot hold keeps the theme's font for the empty line's caret.
    }
}

void GtkInplaceTextView::unroundGlyphPositions()
{
    // GtkTextView keeps its layout as the first field of its private part.
    GtkTextView* view = _textView.gobj();
    auto* layout = view->priv ? *reinterpret_cast<GtkTextLayout**>(view->priv) : nullptr;
    if (!layout || !GTK_IS_TEXT_LAYOUT(layout)) return;
    bool changed = false;
    for (PangoContext* context : {layout->ltr_context, layout->rtl_context}) {
        if (!context || !pango_context_get_round_glyph_positions(context)) continue;
        pango_context_set_round_glyph_positions(context, FALSE);
        changed = true;
    }
    if (changed) gtk_text_layout_default_style_changed(layout);
}

void GtkInplaceTextView::setBorder(const InplaceEditorBorder& border)
{
    _border.border = border;
    _border.queue_draw();
}

void GtkInplaceTextView::setFrames(const Rect& textFrame, const Rect& borderFrame)
{
    // Whole pixels for the widgets, the fractions drawn as an offset. GTK lays the lines out in
    // a whole number of pixels: the part of a pixel it adds to the text's width is taken back
    // from the alignment's share.
    const double textWidth = std::max(0.0, textFrame.width() - 2 * MarginX);
    const int areaWidth = int(std::ceil(textWidth - 1e-9));
    const int x = int(std::floor(textFrame.minX()));
    const int y = int(std::floor(textFrame.minY()));
    _textAllocation =
        Gdk::Rectangle(x, y, areaWidth + 2 * MarginX + CaretRoom, std::max(1, int(std::ceil(textFrame.maxY())) - y));
    const double excess = areaWidth - textWidth;
    double alignmentShift = 0;
    if (_appearance.alignment == TextAlignment::Center) alignmentShift = excess / 2;
    else if (_appearance.alignment == TextAlignment::Right) alignmentShift = excess;
    _textView.offset = Point(textFrame.minX() - x - alignmentShift, textFrame.minY() - y);

    const int bx = int(std::floor(borderFrame.minX()));
    const int by = int(std::floor(borderFrame.minY()));
    _borderAllocation = Gdk::Rectangle(bx, by, std::max(1, int(std::ceil(borderFrame.maxX())) - bx),
                                       std::max(1, int(std::ceil(borderFrame.maxY())) - by));
    _border.bounds = Rect(borderFrame.minX() - bx, borderFrame.minY() - by, borderFrame.width(), borderFrame.height());
    _textView.queue_resize();
    _border.queue_resize();
    _textView.queue_draw();
    _border.queue_draw();
}

bool GtkInplaceTextView::childPosition(Gtk::Widget* widget, Gdk::Rectangle& allocation)
{
    if (widget == &_textView) allocation = _textAllocation;
    else if (widget == &_border) allocation = _borderAllocation;
    else return false;
    return true;
}

// ---- Spelling ----

void GtkInplaceTextView::setSpellingFlags(bool continuousSpellChecking, bool automaticSpellingCorrection)
{
    if (const GspellLibrary* gspell = GspellLibrary::get())
        gspell->gspell_text_view_set_inline_spell_checking(
            gspell->gspell_text_view_get_from_gtk_text_view(_textView.gobj()), continuousSpellChecking);
    // The checker offers corrections in the context menu; nothing is corrected unasked.
    _automaticSpellingCorrection = automaticSpellingCorrection;
}

bool GtkInplaceTextView::continuousSpellChecking() const
{
    const GspellLibrary* gspell = GspellLibrary::get();
    return gspell &&
        gspell->gspell_text_view_get_inline_spell_checking(
            gspell->gspell_text_view_get_from_gtk_text_view(const_cast<GtkTextView*>(_textView.gobj())));
}

// ---- On the canvas ----

void GtkInplaceTextView::show()
{
    if (!_overlay || _shown) return;
    _shown = true;
    GtkOverlay* overlay = GTK_OVERLAY(_overlay);
    gtk_overlay_add_overlay(overlay, GTK_WIDGET(_border.gobj()));
    gtk_overlay_add_overlay(overlay, GTK_WIDGET(_textView.gobj()));
    // Below the window's notification bars, which lie over the canvas too.
    gtk_overlay_reorder_overlay(overlay, GTK_WIDGET(_border.gobj()), 0);
    gtk_overlay_reorder_overlay(overlay, GTK_WIDGET(_textView.gobj()), 1);
    // A press on the border reaches the canvas, which ends the edit.
    gtk_overlay_set_overlay_pass_through(overlay, GTK_WIDGET(_border.gobj()), TRUE);
    _border.show();
    _textView.show();
    unroundGlyphPositions();
    _focusLeft = false;
    _textView.grab_focus();
}

void GtkInplaceTextView::remove()
{
    if (!_shown) return;
    _shown = false;
    if (!_overlay) return;
    for (Gtk::Widget* widget : {static_cast<Gtk::Widget*>(&_textView), static_cast<Gtk::Widget*>(&_border)})
        if (gtk_widget_get_parent(GTK_WIDGET(widget->gobj())) == _overlay)
            gtk_container_remove(GTK_CONTAINER(_overlay), GTK_WIDGET(widget->gobj()));
}
