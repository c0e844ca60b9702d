#include "Editor/OutlineOptionsChoice.h"
#include "Editor/gtk/GtkDocumentPanels.h"
#include "GtkTestSupport.h"
#include "MindMaps/MindMapTestSupport.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/GtkOpenSavePanels.h"
#include "render/OutlineRenderingView.h"
#include "render/PrintOptionsModel.h"
#include "render/RenderInstallation.h"
#include "render/gtk/MindMapPrintOperation.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <gtk/gtkunixprint.h>
#include <poppler.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>

using namespace maptest;

namespace {

// Plays the user: waits until a visible dialog of that type is up and ready, acts on it once,
// then answers it with the response until it goes: a file chooser swallows an answer that comes
// before it has read its folder. Gives up after about 30 seconds, so that a dialog that never
// comes (or never goes) fails the test.
void whenDialogIsUp(GType type, std::function<bool(GtkWidget*)> ready, std::function<void(GtkWidget*)> act,
                    int response)
{
    struct State {
        int tries = 0;
        bool acted = false;
        // The dialog acted on, cleared by GTK when it goes; only it is answered again.
        gpointer dialog = nullptr;
    };
    auto state = std::make_shared<State>();
    Glib::signal_timeout().connect(
        [=] {
            if (state->acted && !state->dialog) return false;
            if (++state->tries > 300) {
                ADD_FAILURE() << (state->dialog ? "the dialog did not close" : "no dialog came up");
                if (state->dialog) gtk_dialog_response(GTK_DIALOG(state->dialog), GTK_RESPONSE_CANCEL);
                return false;
            }
            if (!state->dialog) {
                GList* windows = gtk_window_list_toplevels();
                GtkWidget* found = nullptr;
                for (GList* window = windows; window; window = window->next)
                    if (G_TYPE_CHECK_INSTANCE_TYPE(window->data, type) &&
                        gtk_widget_get_visible(GTK_WIDGET(window->data)))
                        found = GTK_WIDGET(window->data);
                g_list_free(windows);
                if (!found || !ready(found)) return true;
                state->dialog = found;
                state->acted = true;
                g_object_add_weak_pointer(G_OBJECT(found), &state->dialog);
                act(found);
            } else if (!gtk_widget_get_visible(GTK_WIDGET(state->dialog))) {
                g_object_remove_weak_pointer(G_OBJECT(state->dialog), &state->dialog);
                return false;
            }
            gtk_dialog_response(GTK_DIALOG(state->dialog), response);
            return true;
        },
        100);
}

// The first widget of the tree below (and including) the root that the predicate accepts; the
// internal children (a notebook's tab labels) are searched too.
GtkWidget* findWidget(GtkWidget* root, const std::function<bool(GtkWidget*)>& accepts)
{
    if (accepts(root)) return root;
    if (!GTK_IS_CONTAINER(root)) return nullptr;
    struct Search {
        const std::function<bool(GtkWidget*)>* accepts;
        GtkWidget* found = nullptr;
    } search{&accepts};
    gtk_container_forall(
        GTK_CONTAINER(root),
        [](GtkWidget* child, gpointer data) {
            auto* s = static_cast<Search*>(data);
            if (!s->found) s->found = findWidget(child, *s->accepts);
        },
        &search);
    return search.found;
}

std::vector<std::pair<double, double>> pdfPageSizes(const std::string& path)
{
    std::vector<std::pair<double, double>> sizes;
    PopplerDocument* document = poppler_document_new_from_file(("file://" + path).c_str(), nullptr, nullptr);
    if (!document) return sizes;
    for (int i = 0; i < poppler_document_get_n_pages(document); ++i) {
        PopplerPage* page = poppler_document_get_page(document, i);
        double width = 0, height = 0;
        poppler_page_get_size(page, &width, &height);
        sizes.emplace_back(std::round(width), std::round(height));
        g_object_unref(page);
    }
    g_object_unref(document);
    return sizes;
}

class DocumentPanelsGtkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        initGtkForTests();
        UserDefaults::standard().resetForTesting();
        // GTK's own printer that writes a file; no print server is asked.
        g_object_get(gtk_settings_get_default(), "gtk-print-backends", &_printBackends, nullptr);
        g_object_set(gtk_settings_get_default(), "gtk-print-backends", "file", nullptr);
        FileChooser::setShared(&savePanels);
        map.newMindMap("", false, std::nullopt);
        addTopic(map, nullptr, Point{0, 0}, "Plans");
        addTopic(map, nullptr, Point{900, 200}, "Budget");
    }
    void TearDown() override
    {
        MindMapPrintOperation::setPrintSettings({});
        FileChooser::setShared(nullptr);
        UserDefaults::standard().resetForTesting();
        g_object_set(gtk_settings_get_default(), "gtk-print-backends", _printBackends, nullptr);
        g_free(_printBackends);
    }

    // The next print dialog starts on the file printer, writing a PDF here.
    std::string printToFile(const std::string& name)
    {
        const std::string path = dir.file(name);
        auto settings = Gtk::PrintSettings::create();
        settings->set_printer("Print to File");
        settings->set(Gtk::PrintSettings::Keys::OUTPUT_FILE_FORMAT, "pdf");
        settings->set(Gtk::PrintSettings::Keys::OUTPUT_URI, "file://" + path);
        MindMapPrintOperation::setPrintSettings(settings);
        return path;
    }

    gchar* _printBackends = nullptr;
    TempDir dir;
    ScopedEnvironment config{"XDG_CONFIG_HOME", dir.file("config")};
    MindMap map;
    GtkOpenSavePanels savePanels;
    GtkDocumentPanels panels;
};

TEST_F(DocumentPanelsGtkTest, TheExportPanelSwitchesTypeNameAndRange)
{
    ExportFormatChoice choice(Size{900, 300}, Size{120, 60});
    bool sawPanel = false;
    whenDialogIsUp(
        GTK_TYPE_FILE_CHOOSER_DIALOG, [](GtkWidget*) { return true; },
        [&](GtkWidget* dialog) {
            auto* panel = Glib::wrap(GTK_FILE_CHOOSER_DIALOG(dialog));
            auto* widget = dynamic_cast<ExportFormatWidget*>(panel->get_extra_widget());
            ASSERT_TRUE(widget);
            sawPanel = true;
            EXPECT_EQ(panel->get_current_name(), "Plans.pdf");
            EXPECT_TRUE(widget->selectionRadio().get_sensitive());
            // OPML holds the whole map only: the range goes back to the whole map.
            widget->selectionRadio().set_active(true);
            widget->typePopup().set_active(int(ExportFormatChoice::indexOfExtension("opml")));
            EXPECT_EQ(panel->get_current_name(), "Plans.opml");
            EXPECT_FALSE(widget->selectionRadio().get_sensitive());
            EXPECT_TRUE(widget->wholeMapRadio().get_active());
            widget->typePopup().set_active(int(ExportFormatChoice::indexOfExtension("png")));
            widget->selectionRadio().set_active(true);
            EXPECT_EQ(panel->get_current_name(), "Plans.png");
        },
        GTK_RESPONSE_ACCEPT);
    DocumentPanels::SavePanel request{"Export", "Plans", dir.path()};
    const std::optional<std::string> path = panels.runExportPanel(request, choice);
    EXPECT_TRUE(sawPanel);
    EXPECT_EQ(path, dir.file("Plans.png"));
    EXPECT_EQ(choice.selectedExtension(), "png");
    EXPECT_TRUE(choice.selectionOnly());

    // A name typed without an export extension gets the type chosen.
    EXPECT_EQ(GtkDocumentPanels::completedExportPath("/tmp/Plan v1.2", "png"), "/tmp/Plan v1.2.png");
    EXPECT_EQ(GtkDocumentPanels::completedExportPath("/tmp/plan.TIFF", "png"), "/tmp/plan.TIFF");
}

TEST_F(DocumentPanelsGtkTest, APngExportsAtTheDensityChosenInThePanel)
{
    ExportFormatChoice normal(map.imageExportSize(), Size{});
    normal.setSelectedIndex(ExportFormatChoice::indexOfExtension("png"));
    ExportFormatChoice choice(map.imageExportSize(), Size{});
    bool sawPanel = false;
    whenDialogIsUp(
        GTK_TYPE_FILE_CHOOSER_DIALOG, [](GtkWidget*) { return true; },
        [&](GtkWidget* dialog) {
            auto* panel = Glib::wrap(GTK_FILE_CHOOSER_DIALOG(dialog));
            auto* widget = dynamic_cast<ExportFormatWidget*>(panel->get_extra_widget());
            ASSERT_TRUE(widget);
            sawPanel = true;
            // PDF has no pixels to choose.
            EXPECT_FALSE(widget->qualityPopup().get_visible());
            EXPECT_FALSE(widget->sizeLabel().get_visible());
            widget->typePopup().set_active(int(ExportFormatChoice::indexOfExtension("png")));
            EXPECT_TRUE(widget->qualityPopup().get_visible());
            widget->qualityPopup().set_active(2);
            EXPECT_TRUE(widget->sizeLabel().get_visible());
            EXPECT_EQ(widget->sizeLabel().get_text(), choice.sizeText());
            EXPECT_EQ(panel->get_current_name(), "Plans.png");
            if (const char* dump = std::getenv("TARNWICK_DUMP_PNG")) {
                while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
                if (GdkWindow* window = gtk_widget_get_window(dialog))
                    if (GdkPixbuf* shot = gdk_pixbuf_get_from_window(window, 0, 0, gdk_window_get_width(window),
                                                                     gdk_window_get_height(window))) {
                        gdk_pixbuf_save(shot, dump, "png", nullptr, nullptr);
                        g_object_unref(shot);
                    }
            }
        },
        GTK_RESPONSE_ACCEPT);
    DocumentPanels::SavePanel request{"Export", "Plans", dir.path()};
    const std::optional<std::string> path = panels.runExportPanel(request, choice);
    ASSERT_TRUE(sawPanel);
    ASSERT_EQ(path, dir.file("Plans.png"));
    EXPECT_EQ(choice.selectedImageQuality(), 4);
    EXPECT_DOUBLE_EQ(choice.imageScaleFactor(), 2.0);

    installRendering();
    const auto pixelSize = [&](const ExportFormatChoice& chosen, const std::string& file) {
        const MindMapData data =
            map.exportDataOfFormat(chosen.selectedType().format, chosen.imageScaleFactor(), chosen.selectionOnly());
        Glib::file_set_contents(file, reinterpret_cast<const char*>(data.data()), static_cast<gssize>(data.size()));
        auto picture = Gdk::Pixbuf::create_from_file(file);
        return std::pair(picture->get_width(), picture->get_height());
    };
    const auto [width, height] = pixelSize(choice, *path);
    const auto [normalWidth, normalHeight] = pixelSize(normal, dir.file("normal.png"));
    EXPECT_NEAR(width, normalWidth * 2, 2);
    EXPECT_NEAR(height, normalHeight * 2, 2);
}

TEST_F(DocumentPanelsGtkTest, TheOutlinePresetPopupGoesBackToItsPlaceholderAndFilterUncheckedFollows)
{
    OutlineOptionsChoice choice(true);
    OutlineOptionsWidget widget(choice);
    const size_t filterUnchecked = OutlineOptionsChoice::Options.size() - 1;
    EXPECT_FALSE(widget.optionBox(filterUnchecked).get_sensitive());
    widget.presetPopup().set_active(3); // check list
    EXPECT_EQ(widget.presetPopup().get_active_row_number(), 0);
    EXPECT_EQ(choice.outlineOptions(), 86u);
    EXPECT_TRUE(widget.optionBox(filterUnchecked).get_sensitive());
    widget.optionBox(filterUnchecked).set_active(true);
    EXPECT_EQ(choice.outlineOptions(), 86u | 128);
    // Turning "filter checkboxes" off takes "filter unchecked" with it.
    widget.optionBox(filterUnchecked - 1).set_active(false);
    EXPECT_EQ(choice.outlineOptions(), 22u);
    EXPECT_FALSE(widget.optionBox(filterUnchecked).get_active());
    EXPECT_FALSE(widget.optionBox(filterUnchecked).get_sensitive());
    // The same preset again.
    widget.presetPopup().set_active(3);
    EXPECT_EQ(choice.outlineOptions(), 86u);
}

TEST_F(DocumentPanelsGtkTest, PrintingToAFileUsesTheOptionsTabAndKeepsItsChoice)
{
    const std::string path = printToFile("map.pdf");
    bool sawTab = false;
    whenDialogIsUp(
        GTK_TYPE_PRINT_UNIX_DIALOG,
        [](GtkWidget* dialog) {
            // The printer list fills in while the dialog is up.
            GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(GTK_PRINT_UNIX_DIALOG(dialog));
            return printer && gtk_printer_is_virtual(printer);
        },
        [&](GtkWidget* dialog) {
            const std::string tabTitle = localized("print_options_tab_title");
            sawTab = findWidget(dialog, [&](GtkWidget* widget) {
                         return GTK_IS_LABEL(widget) && gtk_label_get_text(GTK_LABEL(widget)) == tabTitle;
                     }) != nullptr;
            // The paper of the options tab: US Letter.
            GtkWidget* formats = findWidget(dialog, [](GtkWidget* widget) {
                if (!GTK_IS_COMBO_BOX_TEXT(widget)) return false;
                auto* popup = Glib::wrap(GTK_COMBO_BOX_TEXT(widget));
                return popup->get_active_text() == "A4";
            });
            ASSERT_TRUE(formats);
            Glib::wrap(GTK_COMBO_BOX_TEXT(formats))->set_active(7);
        },
        GTK_RESPONSE_OK);
    Error error;
    EXPECT_TRUE(panels.runPrintPanel(map, Size{1000, 300}, Size{}, &error)) << error.failureReason;
    EXPECT_TRUE(sawTab);
    // One sheet, turned for a map wider than high, on the paper chosen in the tab.
    EXPECT_EQ(pdfPageSizes(path), (std::vector<std::pair<double, double>>{{792, 612}}));
    EXPECT_EQ(UserDefaults::standard().integerForKey(PrintOptionsModel::PageFormatKey), 7);
    // The next dialog starts on the same printer.
    ASSERT_TRUE(MindMapPrintOperation::printSettings());
    EXPECT_EQ(MindMapPrintOperation::printSettings()->get_printer(), "Print to File");
}

TEST_F(DocumentPanelsGtkTest, TheOutlinePrintsOnThePaperOfItsTab)
{
    const std::string path = printToFile("outline.pdf");
    OutlineOptionsChoice choice(false);
    whenDialogIsUp(
        GTK_TYPE_PRINT_UNIX_DIALOG,
        [](GtkWidget* dialog) {
            GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(GTK_PRINT_UNIX_DIALOG(dialog));
            return printer && gtk_printer_is_virtual(printer);
        },
        [&](GtkWidget* dialog) {
            GtkWidget* tab = findWidget(dialog, [](GtkWidget* widget) {
                return dynamic_cast<OutlineOptionsWidget*>(Glib::wrap(widget)) != nullptr;
            });
            ASSERT_TRUE(tab);
            auto* options = dynamic_cast<OutlineOptionsWidget*>(Glib::wrap(tab));
            EXPECT_FALSE(options->selectionRadio().get_sensitive());
            options->pageFormatPopup().set_active(4); // A5
        },
        GTK_RESPONSE_OK);
    Error error;
    EXPECT_TRUE(panels.runOutlinePrintPanel(map, choice, &error)) << error.failureReason;
    EXPECT_EQ(choice.pageFormat(), 4);
    const std::vector<std::pair<double, double>> pages = pdfPageSizes(path);
    ASSERT_FALSE(pages.empty());
    EXPECT_EQ(pages[0], std::make_pair(420.0, 596.0));
}

// The import panel asks the caller about every file of an allowed type and answers no file it
// refuses, even when its name is typed.
TEST_F(DocumentPanelsGtkTest, TheImportPanelOffersAndAnswersOnlyTheFilesTheCallerAccepts)
{
    for (const char* name : {"a.MM", "refused.mm", "notes.txt"}) writeTestFile(dir.file(name), "<map/>");
    GtkOpenSavePanels chooser;
    FileChooser::OpenOptions options;
    options.allowedTypes = {"mm"};
    options.allowsMultipleSelection = true;
    options.directory = dir.path();
    std::set<std::string> asked;
    options.shouldEnable = [&](const std::string& path) {
        asked.insert(path);
        return path.find("refused") == std::string::npos;
    };
    const std::string accepted = dir.file("a.MM"), refused = dir.file("refused.mm");
    for (const std::string& chosen : {accepted, refused}) {
        asked.clear();
        whenDialogIsUp(
            GTK_TYPE_FILE_CHOOSER_DIALOG,
            // Ready once the folder is read and filtered.
            [&](GtkWidget*) { return asked.contains(accepted) && asked.contains(refused); },
            [&](GtkWidget* dialog) {
                // A file of another type never reaches the caller.
                EXPECT_FALSE(asked.contains(dir.file("notes.txt")));
                gtk_file_chooser_select_filename(GTK_FILE_CHOOSER(dialog), chosen.c_str());
            },
            GTK_RESPONSE_ACCEPT);
        const std::vector<std::string> answer = chooser.runOpenPanel(options);
        if (chosen == accepted) EXPECT_EQ(answer, std::vector<std::string>{accepted});
        else EXPECT_TRUE(answer.empty());
    }
}

} // namespace

namespace {

bool xdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

void pumpFor(int milliseconds)
{
    const gint64 end = g_get_monotonic_time() + gint64(milliseconds) * 1000;
    while (g_get_monotonic_time() < end) {
        while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
        g_usleep(10000);
    }
}

// Opens a popup with a press of the display's pointer on it, then picks the row that many steps
// down from the one shown with the keyboard, as a user does.
void pickWithPointer(Gtk::ComboBox& popup, int steps)
{
    // The file chooser opens at the size it remembers from earlier dialogs, and with no window
    // manager to keep it on screen its lower rows may lie below the screen's edge, where the
    // pointer never reaches: the dialog is put at the screen's corner, at a size that fits.
    if (auto* window = dynamic_cast<Gtk::Window*>(popup.get_toplevel())) {
        window->move(0, 0);
        window->resize(800, 600);
        pumpFor(300);
    }
    int x = 0, y = 0;
    popup.get_window()->get_root_coords(popup.get_allocation().get_x() + popup.get_allocated_width() / 2,
                                        popup.get_allocation().get_y() + popup.get_allocated_height() / 2, x, y);
    const Glib::RefPtr<Gdk::Screen> screen = popup.get_screen();
    ASSERT_TRUE(x < screen->get_width() && y < screen->get_height())
        << "the popup at " << x << "," << y << " is off the screen";
    ASSERT_TRUE(xdotool("mousemove --sync " + std::to_string(x) + " " + std::to_string(y)));
    ASSERT_TRUE(xdotool("click 1"));
    pumpFor(400);
    for (int step = 0; step < steps; ++step) ASSERT_TRUE(xdotool("key Down"));
    ASSERT_TRUE(xdotool("key Return"));
    pumpFor(300);
}

} // namespace

TEST_F(DocumentPanelsGtkTest, APngAtHighDensityChosenWithThePointerHasTwiceThePixels)
{
    if (!xdotool("version")) GTEST_SKIP() << "no xdotool";
    // As in the program, where the map on screen is measured and laid out before it is exported.
    installRendering();
    map.validateElementStates();
    ExportFormatChoice normal(map.imageExportSize(), Size{});
    normal.setSelectedIndex(ExportFormatChoice::indexOfExtension("png"));
    ExportFormatChoice choice(map.imageExportSize(), Size{});
    std::string sizeShown;
    whenDialogIsUp(
        GTK_TYPE_FILE_CHOOSER_DIALOG, [](GtkWidget*) { return true; },
        [&](GtkWidget* dialog) {
            auto* panel = Glib::wrap(GTK_FILE_CHOOSER_DIALOG(dialog));
            auto* widget = dynamic_cast<ExportFormatWidget*>(panel->get_extra_widget());
            ASSERT_TRUE(widget);
            pumpFor(300);
            // PDF is shown; PNG is the next row, high density (tag 4) two rows below normal.
            pickWithPointer(widget->typePopup(), 1);
            ASSERT_EQ(widget->typePopup().get_active_row_number(), int(ExportFormatChoice::indexOfExtension("png")));
            ASSERT_TRUE(widget->qualityPopup().get_visible());
            pickWithPointer(widget->qualityPopup(), 2);
            sizeShown = widget->sizeLabel().get_text();
            EXPECT_EQ(panel->get_current_name(), "Plans.png");
        },
        GTK_RESPONSE_ACCEPT);
    DocumentPanels::SavePanel request{"Export", "Plans", dir.path()};
    const std::optional<std::string> path = panels.runExportPanel(request, choice);
    ASSERT_EQ(path, dir.file("Plans.png"));
    EXPECT_EQ(choice.selectedImageQuality(), 4);

    const auto write = [&](const ExportFormatChoice& chosen, const std::string& file) {
        const MindMapData data =
            map.exportDataOfFormat(chosen.selectedType().format, chosen.imageScaleFactor(), chosen.selectionOnly());
        Glib::file_set_contents(file, reinterpret_cast<const char*>(data.data()), static_cast<gssize>(data.size()));
        auto picture = Gdk::Pixbuf::create_from_file(file);
        return std::pair(picture->get_width(), picture->get_height());
    };
    const auto [width, height] = write(choice, *path);
    const auto [normalWidth, normalHeight] = write(normal, dir.file("normal.png"));
    EXPECT_NEAR(width, normalWidth * 2, 2);
    EXPECT_NEAR(height, normalHeight * 2, 2);
    // The panel told the size the file has.
    double shownWidth = 0, shownHeight = 0;
    ASSERT_EQ(std::sscanf(sizeShown.c_str(), "%lf x %lf", &shownWidth, &shownHeight), 2) << sizeShown;
    EXPECT_NEAR(shownWidth, width, 1);
    EXPECT_NEAR(shownHeight, height, 1);
}

TEST_F(DocumentPanelsGtkTest, TheOutlineIsExportedAsPdfWithAPresetChosenWithThePointer)
{
    if (!xdotool("version")) GTEST_SKIP() << "no xdotool";
    OutlineOptionsChoice choice(false);
    int presetShownAfter = -1;
    whenDialogIsUp(
        GTK_TYPE_FILE_CHOOSER_DIALOG, [](GtkWidget*) { return true; },
        [&](GtkWidget* dialog) {
            auto* panel = Glib::wrap(GTK_FILE_CHOOSER_DIALOG(dialog));
            auto* widget = dynamic_cast<OutlineOptionsWidget*>(panel->get_extra_widget());
            ASSERT_TRUE(widget);
            pumpFor(300);
            // The check list is the third preset below the placeholder.
            pickWithPointer(widget->presetPopup(), 3);
            presetShownAfter = widget->presetPopup().get_active_row_number();
        },
        GTK_RESPONSE_ACCEPT);
    DocumentPanels::SavePanel request{"Export Outline", "Plans", dir.path()};
    const std::optional<std::string> path = panels.runOutlineExportPanel(request, choice);
    ASSERT_EQ(path, dir.file("Plans.pdf"));
    EXPECT_EQ(presetShownAfter, 0) << "back to the placeholder";
    // The check list on the default mask 27.
    EXPECT_EQ(choice.outlineOptions(), 86u);
    Error error;
    const std::vector<uint8_t> data = OutlineRenderingView::pdfDataWithMindMap(
        map, choice.selectionOnly(), choice.outlineOptions(), choice.pageFormat(), &error);
    ASSERT_FALSE(data.empty());
    Glib::file_set_contents(*path, reinterpret_cast<const char*>(data.data()), static_cast<gssize>(data.size()));
    const auto pages = pdfPageSizes(*path);
    ASSERT_FALSE(pages.empty());
    // A4 in points.
    EXPECT_NEAR(pages[0].first, 595, 1);
    EXPECT_NEAR(pages[0].second, 842, 1);
}
