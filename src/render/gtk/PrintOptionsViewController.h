#pragma once

#include "platform/Geometry.h"
#include "render/PaperSizes.h"
#include "render/PrintOptionsModel.h"

#include <gtkmm.h>

#include <array>
#include <cstdint>
#include <memory>

class MindMap;
class TiledMindMapRenderingView;

// A miniature of the sheet grid a print needs: with the pages to print, the sheets in their
// paper's proportions and orientation with the map on them, as they will come out.
class PrintMatrixPreview : public Gtk::DrawingArea {
public:
    // Beyond this many sheets the preview shows them empty: each would be a speck, and drawing the
    // map once for each would hold up the dialog.
    static constexpr int64_t MaximumDrawnSheets = 100;

    PrintMatrixPreview();

    // Copies the matrix (made valid) and redraws; nullptr is ignored.
    void setPrintMatrix(const PrintMatrix* matrix);
    const PrintMatrix& printMatrix() const { return _printMatrix; }
    // The pages drawn on the sheets, whose matrix the preview then shows; none draws blank sheets.
    void setPages(std::shared_ptr<const TiledMindMapRenderingView> pages);
    const TiledMindMapRenderingView* pages() const { return _pages.get(); }

protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

private:
    PrintMatrix _printMatrix;
    std::shared_ptr<const TiledMindMapRenderingView> _pages;
};

// The accessory of the print dialog: print mode, range, paper format, page border and tile
// scale, with the sheets the choice needs. The figures live in a PrintOptionsModel; the widgets
// show it and hand it every change. The caller puts view() into its dialog, reads the choice
// when the user confirms and then calls commitSettings(). Given the map, the preview shows it as
// the choice prints it.
class PrintOptionsViewController {
public:
    PrintOptionsViewController(Size mapSize, Size selectionSize, MindMap* mindMap = nullptr);
    PrintOptionsViewController(const PrintOptionsViewController&) = delete;
    PrintOptionsViewController& operator=(const PrintOptionsViewController&) = delete;

    Gtk::Widget& view() { return _view; }
    const PrintOptionsModel& model() const { return _model; }

    int64_t printMode() const { return _model.printMode(); }
    void setPrintMode(int64_t mode);
    bool selectionOnly() const { return _model.selectionOnly(); }
    double tileScale() const { return _model.tileScale(); }
    void setTileScale(double scale);
    int64_t pageFormat() const { return _model.pageFormat(); }
    void setPageFormat(int64_t format);
    int64_t printOptions() const { return _model.printOptions(); }

    void loadSettings();
    void commitSettings();
    // Brings the labels, the slider's state and the preview in line with the choice.
    void tileScaleChanged();

    // The controls, for whoever drives the accessory without a user.
    Gtk::Scale& scaleSlider() { return _scaleSlider; }
    Gtk::Label& scaleLabel() { return _scaleLabel; }
    Gtk::Label& pagesLabel() { return _pagesLabel; }
    Gtk::RadioButton& modeRadio(int64_t mode) { return _modeRadios.at(static_cast<size_t>(mode)); }
    Gtk::RadioButton& rangeSelectionRadio() { return _rangeSelectionRadio; }
    Gtk::ComboBoxText& pageFormatPopup() { return _pageFormatPopup; }
    Gtk::ComboBoxText& pageBorderPopup() { return _pageBorderPopup; }
    PrintMatrixPreview& preview() { return _preview; }

private:
    void buildView();
    void initPageFormatPopup();
    // The model takes what the controls show, then the controls show the model again.
    void controlsChanged();
    void showModel();

    PrintOptionsModel _model;
    MindMap* _mindMap;
    // Raised while the controls are being set from the model, whose signals then change nothing.
    int _updating = 0;

    Gtk::Grid _view;
    Gtk::Label _printModeLabel;
    std::array<Gtk::RadioButton, 4> _modeRadios;
    Gtk::Label _printRangeLabel;
    Gtk::RadioButton _rangeMindMapRadio;
    Gtk::RadioButton _rangeSelectionRadio;
    Gtk::Scale _scaleSlider;
    Gtk::Label _scaleLabel;
    Gtk::Label _pagesInfoLabel;
    Gtk::Label _pagesLabel;
    PrintMatrixPreview _preview;
    Gtk::Label _pageFormatLabel;
    Gtk::ComboBoxText _pageFormatPopup;
    Gtk::Label _pageBorderLabel;
    Gtk::ComboBoxText _pageBorderPopup;
};
