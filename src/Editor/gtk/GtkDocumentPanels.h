#pragma once

#include "Editor/DocumentPanels.h"
#include "Editor/ExportFormatChoice.h"
#include "Editor/OutlineOptionsChoice.h"

#include <gtkmm.h>

#include <array>

// The export panel's extra widget: the file type, and the range for the types that can export a
// selection. A type switched to changes the panel's filter and the extension of the name typed.
class ExportFormatWidget : public Gtk::Grid {
public:
    ExportFormatWidget(ExportFormatChoice& choice, Gtk::FileChooser& panel);

    Gtk::ComboBoxText& typePopup() { return _typePopup; }
    Gtk::RadioButton& wholeMapRadio() { return _wholeMapRadio; }
    Gtk::RadioButton& selectionRadio() { return _selectionRadio; }

private:
    void typeChanged();
    void showRange();

    ExportFormatChoice& _choice;
    Gtk::FileChooser& _panel;
    Gtk::Label _typeLabel;
    Gtk::ComboBoxText _typePopup;
    Gtk::Label _rangeLabel;
    Gtk::RadioButton _wholeMapRadio;
    Gtk::RadioButton _selectionRadio;
};

// The outline's range and paper, in its save panel and as a tab of its print dialog. Every change
// goes to the choice at once.
class OutlineOptionsWidget : public Gtk::Grid {
public:
    explicit OutlineOptionsWidget(OutlineOptionsChoice& choice);

    Gtk::RadioButton& selectionRadio() { return _selectionRadio; }
    Gtk::ComboBoxText& pageFormatPopup() { return _pageFormatPopup; }

private:
    OutlineOptionsChoice& _choice;
    Gtk::Label _rangeLabel;
    Gtk::RadioButton _wholeMapRadio;
    Gtk::RadioButton _selectionRadio;
    Gtk::Label _pageFormatLabel;
    Gtk::ComboBoxText _pageFormatPopup;
};

// The document's dialogs on the desktop: GTK file choosers with the choices as extra widgets, and
// GTK's print dialog with the options as a tab of its own.
class GtkDocumentPanels : public DocumentPanels {
public:
    std::optional<std::string> runExportPanel(const SavePanel& panel, ExportFormatChoice& choice) override;
    std::optional<std::string> runOutlineExportPanel(const SavePanel& panel, OutlineOptionsChoice& choice) override;
    bool runPrintPanel(MindMap& mindMap, Size mapSize, Size selectionSize, Error* error) override;
    bool runOutlinePrintPanel(MindMap& mindMap, OutlineOptionsChoice& choice, Error* error) override;

    // The file name as written: a name without one of the export extensions gets the selected
    // type's, as the panel's filter promised.
    static std::string completedExportPath(const std::string& path, const std::string& extension);
};

// Makes the desktop's document panels the ones the document uses.
void installGtkDocumentPanels();
