#pragma once

#include "app/PreferencesPane.h"
#include "core/Settings.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QListWidget;
class QToolButton;

// The Folder Access pane: the granted folders, adding and removing grants,
// asking on or off, and whether the home folder can be read at all.
class PreferencesAccessViewController : public QWidget, public PreferencesPane {
    Q_OBJECT
  public:
    static constexpr int addSegment = 0;
    static constexpr int removeSegment = 1;

    explicit PreferencesAccessViewController(QWidget* parent = nullptr);

    QString preferenceIdentifier() const override;
    QString preferenceTitle() const override;
    QIcon preferenceIcon() const override;
    QWidget* view() override { return this; }

    void updateStates();
    void setDissmissFolderAccess();
    // Segment 1 removes the selected grant (nothing when none is selected);
    // the other asks for a new one.
    void addRemove(int segment);
    void grantAccess();
    // The home folder of the user database can be listed.
    bool checkForAccess();

    QStringList savedUrlsArray() const { return rows; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void tableViewSelectionDidChange();

    QCheckBox* folderAccess = nullptr;
    QLabel* folderAccessLabel = nullptr;
    QLabel* folderAccessIcon = nullptr;
    QListWidget* foldersTable = nullptr;
    QToolButton* addButton = nullptr;
    QToolButton* removeButton = nullptr;
    QStringList rows;
    Settings store;
};
