#pragma once

#include "Editor/DocumentPanels.h"
#include "Editor/ExportFormatChoice.h"
#include "Editor/OutlineOptionsChoice.h"
#include "platform/FileChooser.h"

#include <gtkmm.h>

#include <array>

// The export panel's accessory: the file type, the density and size of a bitmap, and the range for
// the types that can export a selection. A type switched to becomes the panel's allowed type.
class ExportFormatWidget : public Gtk::Grid {
public:
    static constexpr const char* AccessoryName = "ExportFormat";

    ExportFormatWidget(ExportFormatChoice& choice, FileChooser::SavePanelControl& panel);

    Gtk::ComboBoxText& typePopup() { return _typePopup; }
    Gtk::RadioButton& wholeMapRadio() { return _wholeMapRadio; }
    Gtk::RadioButton& selectionRadio() { return _selectionRadio; }
    Gtk::ComboBoxText& qualityPopup() { return _qualityPopup; }
    Gtk::Label& sizeLabel() { return _sizeLabel; }

private:
    void typeChanged();
    void showRange();
    void showSize();

    ExportFormatChoice& _choice;
    FileChooser::SavePanelControl& _panel;
    Gtk::Label _typeLabel;
    Gtk::ComboBoxText _typePopup;
    Gtk::Label _qualityLabel;
    Gtk::ComboBoxText _qualityPopup;
    Gtk::Label _sizeLabel;
    Gtk::Label _rangeLabel;
    Gtk::RadioButton _wholeMapRadio;
    Gtk::RadioButton _selectionRadio;
};

// The outline's range, presets, options, filters and paper, in its save panel and as a tab of its
// print dialog. Every change goes to the choice at once.
class OutlineOptionsWidget : public Gtk::Grid {
public:
    static constexpr const char* AccessoryName = "OutlineOptions";

    explicit OutlineOptionsWidget(OutlineOptionsChoice& choice);

    Gtk::RadioButton& selectionRadio() { return _selectionRadio; }
    Gtk::ComboBoxText& presetPopup() { return _presetPopup; }
    Gtk::CheckButton& optionBox(size_t index) { return _optionBoxes[index]; }
    Gtk::ComboBoxText& pageFormatPopup() { return _pageFormatPopup; }

private:
    void showOptions();

    OutlineOptionsChoice& _choice;
    Gtk::Label _rangeLabel;
    Gtk::RadioButton _wholeMapRadio;
    Gtk::RadioButton _selectionRadio;
    Gtk::Label _presetLabel;
    Gtk::ComboBoxText _presetPopup;
    Gtk::Label _optionsLabel;
    Gtk::Label _filterLabel;
    std::array<Gtk::CheckButton, OutlineOptionsChoice::Options.size()> _optionBoxes;
    // Raised while the boxes show the choice, so that setting one is not taken for the user's click.
    int _showing = 0;
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

private:
    // The panels' accessories, made by the desktop's save panel from their names.
    static void registerAccessories();
};

// Makes the desktop's document panels the ones the document uses, and has a print hold the main
// windows' closes and input while it runs.
void installGtkDocumentPanels();
