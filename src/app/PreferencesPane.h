#pragma once

#include <QIcon>
#include <QString>

class QWidget;

// One pane of the preferences window, as the window sees it.
class PreferencesPane {
  public:
    virtual ~PreferencesPane() = default;
    // Unique among the panes; also its toolbar item's identifier.
    virtual QString preferenceIdentifier() const = 0;
    // The toolbar item's label and the window title while the pane is shown.
    virtual QString preferenceTitle() const = 0;
    virtual QIcon preferenceIcon() const = 0;
    // None by default.
    virtual QString preferenceToolTip() const { return QString(); }
    virtual QWidget* view() = 0;
};
