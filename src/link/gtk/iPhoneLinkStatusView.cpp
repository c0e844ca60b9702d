#include "link/gtk/iPhoneLinkStatusView.h"

#include "link/LinkStatusPane.h"
#include "link/iPhoneLink.h"
#include "platform/Localizer.h"

iPhoneLinkStatusView::iPhoneLinkStatusView() : Gtk::Box(Gtk::ORIENTATION_VERTICAL, 12)
{
    set_border_width(20);
    for (Gtk::Label* label : {&_deprecationLabel, &_statusLabel, &_messageLabel}) {
        label->set_line_wrap(true);
        label->set_xalign(0);
        label->set_max_width_chars(60);
    }
    _deprecationLabel.set_text(localized(LinkStatusPane::DeprecatedMessageKey));
    // The figures are for reading out to someone who helps: they can be selected and copied.
    _statusLabel.set_selectable(true);
    _refreshButton.set_label(localized(LinkStatusPane::RefreshTitleKey));
    _refreshButton.set_halign(Gtk::ALIGN_START);
    _messageLabel.set_text(localized(LinkStatusPane::ClearMessageKey));
    _clearButton.set_label(localized(LinkStatusPane::ClearTitleKey));
    _clearButton.set_halign(Gtk::ALIGN_START);
    _refreshButton.signal_clicked().connect([this] { refreshIPhoneLinkStatus(); });
    _clearButton.signal_clicked().connect([this] { clearDeviceParingInformation(); });
    pack_start(_deprecationLabel, Gtk::PACK_SHRINK);
    pack_start(_statusLabel, Gtk::PACK_SHRINK);
    pack_start(_refreshButton, Gtk::PACK_SHRINK);
    pack_start(_messageLabel, Gtk::PACK_SHRINK);
    pack_start(_clearButton, Gtk::PACK_SHRINK);
    refreshIPhoneLinkStatus();
}

void iPhoneLinkStatusView::refreshIPhoneLinkStatus()
{
    _statusLabel.set_text(LinkStatusPane::statusText(iPhoneLinkInstance()));
}

void iPhoneLinkStatusView::clearDeviceParingInformation()
{
    LinkStatusPane::clearDeviceParingInformation();
    refreshIPhoneLinkStatus();
}
