#include "panels/gtk/IconPickerView.h"

#include "Editor/gtk/MainWindow.h"
#include "editor-view/MindMapEditor.h"
#include "panels/IconPickerMapDelegate.h"
#include "platform/Localizer.h"
#include "store/CustomImageStore.h"
#include "store/FlatStockIcons.h"
#include "store/MindMapStore.h"
#include "store/NamedDiagramIcons.h"

namespace {

constexpr int InspectorPage = 2;

// The grid draws what it is given and owns it; the registry's pictures are shared, so it gets a
// copy of the same size in points.
Image imageCopy(const std::shared_ptr<const Image>& image)
{
    if (!image || image->isNull()) return Image();
    Image copy = image->scaledTo(image->pixelWidth(), image->pixelHeight());
    copy.setSize(image->size());
    return copy;
}

int cellSide(EmbeddedIconPickerController::Tab tab)
{
    switch (tab) {
    case EmbeddedIconPickerController::Tab::MyIcons:
        return EmbeddedIconPickerController::CustomIconCellSide;
    case EmbeddedIconPickerController::Tab::ClassicIcons:
        return EmbeddedIconPickerController::ClassicIconCellSide;
    case EmbeddedIconPickerController::Tab::StockIcons:
        break;
    }
    return EmbeddedIconPickerController::FlatIconCellSide;
}

void scrollIntoView(ImageGridView& view, size_t index)
{
    const Gdk::Rectangle area = view.cellArea(index);
    if (area.get_height() > 0) view.get_vadjustment()->clamp_page(area.get_y(), area.get_y() + area.get_height());
}

void setUpIconButton(Gtk::Button& button, const char* iconName, const std::string& toolTip)
{
    button.set_image_from_icon_name(iconName, Gtk::ICON_SIZE_MENU);
    button.set_tooltip_text(toolTip);
    button.set_relief(Gtk::RELIEF_NONE);
}

} // namespace

IconPickerView::IconPickerView(IconPickerPanelDelegate* delegate, std::shared_ptr<CustomImageStore> customIcons,
                               std::string orderFolder)
    : Gtk::Box(Gtk::ORIENTATION_VERTICAL, 5)
{
    _controller = std::make_unique<EmbeddedIconPickerController>(delegate, FlatStockIcons::flatStockIcons(),
                                                                 NamedDiagramIcons::namedDiagramIcons(),
                                                                 std::move(customIcons), std::move(orderFolder));
    set_name("iconPicker");
    // The notebook's three tabs take the inspector's whole first width.
    set_margin_top(5);
    set_margin_bottom(5);

    for (size_t index = 0; index < EmbeddedIconPickerController::TabCount; ++index) {
        const Tab tab = Tab(index);
        const std::string dragType = tab == Tab::MyIcons ? CustomImageBrowserController::ReorderDragType : "";
        _grids[index] = std::make_unique<ImageGridView>(dragType, "", cellSide(tab), cellSide(tab));
        _grids[index]->set_name(EmbeddedIconPickerController::TabIdentifiers[index]);
        _grids[index]->set_vexpand(true);
        connectBrowser(tab);
    }

    // The flat icons, with their size control above them.
    _sizeLabel.set_text(localized("icon_size_label"));
    _small.set_label(localized("icon_size_small"));
    _large.set_label(localized("icon_size_large"));
    Gtk::RadioButton::Group group = _small.get_group();
    _large.set_group(group);
    for (Gtk::RadioButton* segment : {&_small, &_large}) {
        segment->set_mode(false);
        _sizeSegments.pack_start(*segment, Gtk::PACK_SHRINK);
    }
    _sizeSegments.get_style_context()->add_class("linked");
    (_controller->iconSizeSegment() == 1 ? _large : _small).set_active(true);
    _large.signal_toggled().connect([this] {
        if (!_updating) _controller->sizeSegmentsClicked(_large.get_active() ? 1 : 0);
    });
    _sizeRow.pack_start(_sizeLabel, Gtk::PACK_SHRINK);
    _sizeRow.pack_start(_sizeSegments, Gtk::PACK_SHRINK);
    _flatPage.pack_start(_sizeRow, Gtk::PACK_SHRINK);
    _flatPage.pack_start(grid(Tab::StockIcons), Gtk::PACK_EXPAND_WIDGET);

    // The user's icons, with the editing buttons below them.
    _editMode.set_label(localized("editor_menu_edit_group"));
    _editMode.set_tooltip_text(localized("icon_picker_edit_toggle_button_hint"));
    _editMode.signal_toggled().connect([this] {
        if (!_updating) _controller->editModeButtonClicked();
    });
    setUpIconButton(_add, "list-add-symbolic", localized("image_drop_handler_add_as_icon"));
    setUpIconButton(_delete, "list-remove-symbolic", localized("icon_dialog_remove_icon_btn"));
    _add.signal_clicked().connect([this] { _controller->browseButtonClicked(); });
    _delete.signal_clicked().connect([this] { _controller->deleteButtonClicked(); });
    _editRow.pack_start(_editMode, Gtk::PACK_SHRINK);
    _editRow.pack_end(_delete, Gtk::PACK_SHRINK);
    _editRow.pack_end(_add, Gtk::PACK_SHRINK);
    _myPage.pack_start(grid(Tab::MyIcons), Gtk::PACK_EXPAND_WIDGET);
    _myPage.pack_start(_editRow, Gtk::PACK_SHRINK);

    const std::array<Gtk::Container*, EmbeddedIconPickerController::TabCount> pages = {&_flatPage, &_myPage,
                                                                                       &grid(Tab::ClassicIcons)};
    for (size_t index = 0; index < pages.size(); ++index) {
        pages[index]->set_border_width(5);
        _tabs.append_page(*pages[index], localized(EmbeddedIconPickerController::TabLabelKeys[index]));
    }
    // A notebook turns only to a page that is shown.
    _tabs.show_all();
    _tabs.set_current_page(int(_controller->selectedTab()));
    fillGrid(_controller->selectedTab());
    _tabs.signal_switch_page().connect([this](Gtk::Widget*, guint page) {
        // A grid gets its cells when its tab first shows: a thousand own icons cost nothing
        // while the user picks among the flat ones.
        if (page < EmbeddedIconPickerController::TabCount && !_filled[page]) fillGrid(Tab(page));
        if (!_updating && page < EmbeddedIconPickerController::TabCount) _controller->tabSelected(Tab(page));
    });
    pack_start(_tabs, Gtk::PACK_EXPAND_WIDGET);

    // What acts on the topic.
    _clear.set_label(localized("icon_dialog_remove_icon_btn"));
    _clear.signal_clicked().connect([this] { _controller->clearButtonClicked(); });
    _addAsImage.set_label(localized("icon_picker_add_as_image"));
    _addAsImage.set_tooltip_text(localized("icon_dialog_add_as_image_button_hint"));
    _addAsImage.signal_toggled().connect([this] { _controller->setAddAsImage(_addAsImage.get_active()); });
    setUpIconButton(_addFromFile, "document-open-symbolic", localized("icon_dialog_add_icon_from_file_hint"));
    _addFromFile.signal_clicked().connect([this] { _controller->addIconFromFile(); });
    // Two rows, so that the tab fits the inspector's first width.
    _bottomRow.pack_start(_clear, Gtk::PACK_SHRINK);
    _bottomRow.pack_end(_addFromFile, Gtk::PACK_SHRINK);
    pack_start(_bottomRow, Gtk::PACK_SHRINK);
    _addAsImage.set_halign(Gtk::ALIGN_START);
    pack_start(_addAsImage, Gtk::PACK_SHRINK);

    _controller->setButtonStatesHandler([this] { updateButtonStates(); });
    updateButtonStates();
    show_all();
}

IconPickerView::~IconPickerView()
{
    // The browsers outlive nothing of this view.
    for (size_t index = 0; index < EmbeddedIconPickerController::TabCount; ++index)
        _controller->browser(Tab(index)).setViewHandlers({});
    _controller->setButtonStatesHandler(nullptr);
}

void IconPickerView::connectBrowser(Tab tab)
{
    ImageBrowserModel& browser = _controller->browser(tab);
    ImageGridView& view = grid(tab);
    browser.setViewHandlers({[this, tab] {
                                 if (_filled[size_t(tab)]) fillGrid(tab);
                             },
                             [&view, &browser](std::optional<size_t> scrollTo) {
                                 const std::vector<size_t>& selection = browser.selectionIndexes();
                                 view.selectIndex(selection.empty() ? std::nullopt
                                                                    : std::optional<size_t>(selection.front()));
                                 if (scrollTo) scrollIntoView(view, *scrollTo);
                             },
                             [&view] { view.hide(); }});
    view.signalSelectionChanged().connect([this, tab, &view, &browser] {
        std::optional<size_t> selected = view.selectedIndex();
        browser.userSelected(selected ? std::vector<size_t>{*selected} : std::vector<size_t>{});
        _controller->imageBrowserSelectionDidChange(tab);
    });
    view.signalDoubleClicked().connect(
        [this, tab](size_t index) { _controller->imageBrowserCellWasDoubleClicked(tab, index); });
    if (tab == Tab::MyIcons) {
        view.signalMoved().connect([this](size_t source, size_t destination) {
            _controller->customIconBrowserController().moveItemsAtIndexes({source}, destination);
        });
    }
}

void IconPickerView::fillGrid(Tab tab)
{
    _filled[size_t(tab)] = true;
    ImageBrowserModel& browser = _controller->browser(tab);
    std::vector<ImageGridCell> cells;
    cells.reserve(browser.numberOfItems());
    for (size_t index = 0; index < browser.numberOfItems(); ++index) {
        // Decoded only when the cell comes into view.
        cells.push_back(
            {browser.itemUniqueId(index), [&browser, index] { return imageCopy(browser.itemImage(index)); }, {}});
    }
    ImageGridView& view = grid(tab);
    view.setCells(std::move(cells));
    const std::vector<size_t>& selection = browser.selectionIndexes();
    view.selectIndex(selection.empty() ? std::nullopt : std::optional<size_t>(selection.front()));
}

void IconPickerView::updateButtonStates()
{
    ++_updating;
    const EmbeddedIconPickerController::ButtonStates states = _controller->buttonStates();
    _clear.set_sensitive(states.clear);
    _addFromFile.set_sensitive(states.addIconFromFile);
    _add.set_sensitive(states.add);
    _delete.set_sensitive(states.remove);
    _editMode.set_active(states.editMode);
    grid(Tab::MyIcons).setEditMode(states.editMode);
    --_updating;
}

namespace {

// The inspector's icon page. The window is made before the store opens, so the picker is made
// the first time the page shows, by when the user's icons are there to show.
class IconPickerPage : public Gtk::Box {
public:
    explicit IconPickerPage(MainWindow& window)
        : Gtk::Box(Gtk::ORIENTATION_VERTICAL),
          _owner([&window] { return window.editor().mindMap(); }, [&window] { window.canvas().grab_focus(); }),
          _window(window)
    {
        set_name("iconPickerPage");
        window.addValidator([this] { validate(); });
    }

    IconPickerView* view() { return _view.get(); }

private:
    void on_map() override
    {
        Gtk::Box::on_map();
        makeView();
    }

    void makeView()
    {
        if (_view) return;
        std::shared_ptr<CustomImageStore> icons = CustomImageStore::customIconStore();
        if (!icons) return;
        _view = std::make_unique<IconPickerView>(&_owner, std::move(icons), MindMapStore::appSupportDirectory());
        pack_start(*_view, Gtk::PACK_EXPAND_WIDGET);
        _view->show();
        validate();
    }

    void validate()
    {
        // The page may have shown before the store opened.
        if (!_view && get_mapped()) makeView();
        if (!_view) return;
        MindMapEditor& editor = _window.editor();
        _view->controller().setEnabled(MapIconPickerDelegate::pickerEnabled(editor.mindMap(), editor.readOnly()));
        _view->controller().setHasIconToRemove(MapIconPickerDelegate::selectionHasAnIcon(editor.mindMap()));
    }

    MapIconPickerDelegate _owner;
    MainWindow& _window;
    std::unique_ptr<IconPickerView> _view;
};

} // namespace

void installIconPicker()
{
    MainWindow::setInspectorPageFactory(InspectorPage, [](MainWindow& window) -> std::unique_ptr<Gtk::Widget> {
        return std::make_unique<IconPickerPage>(window);
    });
}
