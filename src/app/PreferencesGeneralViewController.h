#pragma once

#include "app/PreferencesPane.h"
#include "core/Settings.h"

#include <QWidget>

class CLColorPicker;
class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QSlider;

// The General pane: how new windows zoom, where documents go, the
// slideshow's pace, asking for folder access and the full-screen backdrop.
// Every change is stored at once. Refreshing the controls from the store
// writes nothing, except the colour control, whose setting sends its action.
class PreferencesGeneralViewController : public QWidget, public PreferencesPane {
    Q_OBJECT
  public:
    static constexpr int minimumDelay = 5;
    static constexpr int maximumDelay = 60;

    explicit PreferencesGeneralViewController(QWidget* parent = nullptr);

    QString preferenceIdentifier() const override;
    QString preferenceTitle() const override;
    QIcon preferenceIcon() const override;
    QWidget* view() override { return this; }

    // Refreshes every control from the store.
    void updateStates();

    void setZoomingMode(int mode);
    void setWindowMode();
    void setDelay();
    void setDissmissFolderAccess();
    void setBackgroundMode(int index);
    void setBackgroundColor(const QColor& color);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QRadioButton* zoomMode[4] = {};
    QRadioButton* windowMode1 = nullptr;
    QRadioButton* windowMode2 = nullptr;
    QSlider* slideshowDelay = nullptr;
    QLabel* labelDelay = nullptr;
    QCheckBox* folderAccess = nullptr;
    QComboBox* windowBackground = nullptr;
    CLColorPicker* colorPicker = nullptr;
    int delayAtPress = 0;
    Settings store;
};
