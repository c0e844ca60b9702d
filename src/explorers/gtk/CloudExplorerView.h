#pragma once

#include "Editor/gtk/ToolbarBackgroundWidget.h"
#include "explorers/CloudExplorer.h"
#include "explorers/gtk/BreadcrumbBarWidget.h"
#include "explorers/gtk/CloudTableWidget.h"

#include <gtkmm.h>

// A cloud explorer's pane: the service's toolbar strip, the path strip with the breadcrumb bar,
// and the file table. Made around an explorer, whose view it becomes: it hands the explorer its
// parts and loads it.
class CloudExplorerView : public Gtk::Box, private CloudExplorerToolbar {
public:
    explicit CloudExplorerView(CloudExplorer& explorer);
    ~CloudExplorerView() override;

    CloudExplorer& explorer() { return _explorer; }
    ToolbarBackgroundWidget& toolbarStrip() { return _toolbar; }
    ToolbarBackground& pathStrip() { return _pathStrip; }
    BreadcrumbBarWidget& breadcrumbBar() { return _breadcrumb; }
    CloudTableWidget& table() { return _table; }

protected:
    void on_map() override;
    void on_unmap() override;

private:
    double addSegmentedControlItems(std::vector<std::shared_ptr<SegmentedControlItem>> items) override;
    void setHidden(bool hidden) override;
    void validateSegmentedControlItems() override;

    CloudExplorer& _explorer;
    ToolbarBackgroundWidget _toolbar;
    // The path strip is the breadcrumb bar's own gradient; this keeps the strip's state.
    ToolbarBackground _pathStrip{Rect(0, 0, 0, BreadcrumbBarWidget::Height)};
    BreadcrumbBarWidget _breadcrumb;
    CloudTableWidget _table;
};
