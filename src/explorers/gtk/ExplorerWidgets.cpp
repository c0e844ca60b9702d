#include "explorers/gtk/ExplorerWidgets.h"

#include "Editor/gtk/MainToolbar.h"
#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/TarnwickApplication.h"
#include "explorers/CloudSetupViewController.h"
#include "explorers/ExplorerBrowserController.h"
#include "explorers/ExplorerToolbarSearchField.h"
#include "explorers/LocalMindMapExplorer.h"
#include "explorers/MindMapSearchField.h"
#include "explorers/gtk/CloudSetupView.h"
#include "explorers/gtk/ExplorerSearchEntry.h"
#include "explorers/gtk/GtkExplorerBrowserWindow.h"
#include "explorers/gtk/LocalExplorerView.h"
#include "platform/Clock.h"
#include "platform/Folders.h"
#include "platform/Localizer.h"
#include "platform/gtk/MainLoopScheduler.h"
#include "store/MindMapProvider.h"

#include <glibmm/main.h>
#include <gtkmm/icontheme.h>

#include <vector>

namespace {

std::vector<ExplorerWidgetFactory>& widgetFactories()
{
    static std::vector<ExplorerWidgetFactory> factories;
    return factories;
}

std::vector<SidePaneTabFactory>& sidePaneTabFactories()
{
    static std::vector<SidePaneTabFactory> factories;
    return factories;
}

// The scheduler of the explorers made for pick browsers, on the application's main loop.
Scheduler& browserScheduler()
{
    static MainLoopScheduler scheduler(MonotonicClock::shared());
    return scheduler;
}

// The side bar's last tab, where the user connects and disconnects the clouds.
class CloudSetupTab : public SidePaneTab {
public:
    CloudSetupTab() : _item(&_controller), _view(_controller) { _view.show_all(); }

    Gtk::Widget& widget() override { return _view; }
    // No commands: the hidden explorer must not take the keys meant for this tab.
    Responder* responder() override { return nullptr; }
    std::string iconName() const override { return SetupNavigationItem::IconName; }
    std::string title() const override { return _item.title(); }
    bool enabled() const override { return _item.enabled(); }

private:
    CloudSetupViewController _controller;
    SetupNavigationItem _item;
    CloudSetupView _view;
};

// The main window's side bar: the local explorer under a search field of its own, which gives way
// to the toolbar's field once the window hands that one over, and the cloud set-up tab.
class LocalExplorerSidePane : public MainWindowSidePane, private ExplorerNavigationItem {
public:
    explicit LocalExplorerSidePane(MainWindow& window)
        : _explorer(MainExplorerMode, window.scheduler()), _entry(_field), _view(_explorer, false)
    {
        // The store is listed right after the window's first frame, in a turn of the loop of its
        // own: the map comes first, and what else waited for the frame is not held up.
        window.afterFirstFrame([this] {
            _fill = Glib::signal_idle().connect([this] {
                _view.fill();
                TarnwickApplication::markStartupPhase("side bar filled");
                return false;
            });
        });
        _field.setSearchModeAutoSaveKey(MindMapSearchField::MainTopicSearchModeKey);
        _explorer.setSearchBar(&_field);
        _explorer.setActive(true);
        _entry.set_margin_start(4);
        _entry.set_margin_end(4);
        _entry.set_margin_top(4);
        _entry.set_margin_bottom(2);
        _box.pack_start(_entry, Gtk::PACK_SHRINK);
        _box.pack_start(_view, Gtk::PACK_EXPAND_WIDGET);
        _box.show_all();
        for (const SidePaneTabFactory& factory : sidePaneTabFactories())
            if (std::unique_ptr<SidePaneTab> tab = factory(window.controller())) _tabs.push_back(std::move(tab));
        _tabs.push_back(std::make_unique<CloudSetupTab>());
    }
    ~LocalExplorerSidePane() override
    {
        _fill.disconnect();
        _explorer.setSearchBar(nullptr);
    }

    Gtk::Widget& widget() override { return _box; }
    Responder* responder() override { return &_explorer; }
    std::vector<ExplorerNavigationItem*> navigationItems() override
    {
        std::vector<ExplorerNavigationItem*> items{this};
        for (const auto& tab : _tabs) items.push_back(tab.get());
        return items;
    }
    Gtk::Widget* page(size_t index) override
    {
        if (index == 0) return &_box;
        return index <= _tabs.size() ? &_tabs[index - 1]->widget() : nullptr;
    }
    Responder* responder(size_t index) override
    {
        if (index >= 1 && index <= _tabs.size()) return _tabs[index - 1]->responder();
        return &_explorer;
    }

private:
    // ExplorerNavigationItem
    std::string iconName() const override { return "local_maps"; }
    std::string title() const override { return localized("provider_local_title"); }
    void setActive(bool active) override { _explorer.setActive(active); }
    std::string providerId() const override
    {
        MindMapProvider* provider = _explorer.provider();
        return provider ? provider->id() : std::string();
    }
    bool takesSearchField() const override { return true; }
    // The toolbar's field, or nullptr when the user took it out of the toolbar: the explorer then
    // has none.
    void setSearchField(EditorSearchField* field) override
    {
        _entry.hide();
        _explorer.setSearchBar(ExplorerToolbarSearchField::searchField(field));
    }

    MindMapSearchField _field;
    LocalMindMapExplorer _explorer;
    Gtk::Box _box{Gtk::ORIENTATION_VERTICAL};
    ExplorerSearchEntry _entry;
    LocalExplorerView _view;
    std::vector<std::unique_ptr<SidePaneTab>> _tabs;
    sigc::connection _fill;
};

// The toolbar's search field on screen, greyed out while the window disables searching.
class ToolbarSearchEntry : public ExplorerSearchEntry {
public:
    explicit ToolbarSearchEntry(ExplorerToolbarSearchField& field) : ExplorerSearchEntry(field.field()), _field(field)
    {
        set_sensitive(field.isEnabled());
        field.setEnabledHandler([this](bool enabled) { set_sensitive(enabled); });
    }
    ~ToolbarSearchEntry() override { _field.setEnabledHandler(nullptr); }

private:
    ExplorerToolbarSearchField& _field;
};

} // namespace

void registerExplorerWidgetFactory(ExplorerWidgetFactory factory)
{
    if (factory) widgetFactories().push_back(std::move(factory));
}

void registerSidePaneTabFactory(SidePaneTabFactory factory)
{
    if (factory) sidePaneTabFactories().push_back(std::move(factory));
}

std::unique_ptr<Gtk::Widget> makeExplorerWidget(MindMapExplorerBase& explorer)
{
    if (auto* local = dynamic_cast<LocalMindMapExplorer*>(&explorer))
        return std::make_unique<LocalExplorerView>(*local);
    for (const ExplorerWidgetFactory& factory : widgetFactories())
        if (std::unique_ptr<Gtk::Widget> widget = factory(explorer)) return widget;
    return nullptr;
}

void installExplorers()
{
    // The main toolbar's search field is ours: the shell only places it.
    ExplorerToolbarSearchField::install();
    MainToolbar::setSearchWidgetFactory([](EditorSearchField& field) -> std::unique_ptr<Gtk::Widget> {
        auto* ours = dynamic_cast<ExplorerToolbarSearchField*>(&field);
        if (!ours) return nullptr;
        return std::make_unique<ToolbarSearchEntry>(*ours);
    });
    static bool iconsAdded = false;
    MainWindow::setSidePaneFactory([](MainWindow& window) -> std::unique_ptr<MainWindowSidePane> {
        // The toolbar strip's segments name their pictures as icons.
        if (!iconsAdded) {
            iconsAdded = true;
            Gtk::IconTheme::get_default()->append_search_path(Folders::resourcesFolder() + "/images");
        }
        return std::make_unique<LocalExplorerSidePane>(window);
    });
    ExplorerBrowserController::setWindowFactory([](const std::shared_ptr<ExplorerBrowserController>& controller) {
        return std::make_unique<GtkExplorerBrowserWindow>(controller);
    });
    ExplorerBrowserController::registerExplorerFactory(MindMapProviderLocal, [](int32_t mode) {
        return std::make_shared<LocalMindMapExplorer>(mode, browserScheduler());
    });
    ExplorerBrowserController::installTopicLinkBrowser();
}
