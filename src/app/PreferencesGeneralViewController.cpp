#include "app/PreferencesGeneralViewController.h"

#include "core/NotificationCenter.h"
#include "core/Settings.h"
#include "menus/CLColorPicker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>

namespace {
void postUpdateUI() {
    NotificationCenter::defaultCenter().post(QString::fromLatin1(NotificationCenter::UpdateUI));
}
// Radio buttons exclusive among themselves only: one parent per group, whose
// arrow keys move between them.
QWidget* group(QWidget* parent, std::initializer_list<QRadioButton*> buttons) {
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (QRadioButton* button : buttons) {
        button->setParent(box);
        layout->addWidget(button);
    }
    return box;
}
} // namespace

PreferencesGeneralViewController::PreferencesGeneralViewController(QWidget* parent)
    : QWidget(parent) {
    setObjectName(preferenceIdentifier());
    const QString zoomTitles[4] = {tr("&Fit to Screen"), tr("&Stretch to Fit"), tr("F&ill Screen"),
                                   tr("&Actual Size")};
    for (int i = 0; i < 4; ++i) {
        zoomMode[i] = new QRadioButton(zoomTitles[i]);
        zoomMode[i]->setObjectName(QStringLiteral("zoomMode%1").arg(i + 1));
        // toggled also follows the arrow keys; refreshing blocks it.
        connect(zoomMode[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                setZoomingMode(i);
        });
    }
    windowMode1 = new QRadioButton(tr("Open each document in its own &window"));
    windowMode1->setObjectName(QStringLiteral("windowMode1"));
    windowMode2 = new QRadioButton(tr("Open documents in the window showing their f&older"));
    windowMode2->setObjectName(QStringLiteral("windowMode2"));
    for (QRadioButton* button : {windowMode1, windowMode2}) {
        connect(button, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                setWindowMode();
        });
    }

    slideshowDelay = new QSlider(Qt::Horizontal);
    slideshowDelay->setObjectName(QStringLiteral("slideshowDelay"));
    // Below five seconds the viewer waits ten: the slider never offers them.
    slideshowDelay->setRange(minimumDelay, maximumDelay);
    slideshowDelay->setMinimumWidth(160);
    labelDelay = new QLabel;
    labelDelay->setObjectName(QStringLiteral("labelDelay"));
    labelDelay->setMinimumWidth(
        labelDelay->fontMetrics().horizontalAdvance(QStringLiteral("000 sec")));
    // While the handle is dragged only the label follows; the delay is stored
    // and announced once, when it is let go.
    connect(slideshowDelay, &QSlider::valueChanged, this, [this](int value) {
        if (slideshowDelay->isSliderDown())
            labelDelay->setText(tr("%1 sec").arg(value));
        else
            setDelay();
    });
    connect(slideshowDelay, &QSlider::sliderPressed, this,
            [this] { delayAtPress = slideshowDelay->value(); });
    connect(slideshowDelay, &QSlider::sliderReleased, this, [this] {
        if (slideshowDelay->value() != delayAtPress)
            setDelay();
    });
    auto* delayRow = new QHBoxLayout;
    delayRow->addWidget(slideshowDelay, 1);
    delayRow->addWidget(labelDelay);

    folderAccess = new QCheckBox(tr("As&k for access to folders that cannot be read"));
    folderAccess->setObjectName(QStringLiteral("folderAccess"));
    connect(folderAccess, &QCheckBox::clicked, this, [this] { setDissmissFolderAccess(); });

    windowBackground = new QComboBox;
    windowBackground->setObjectName(QStringLiteral("windowBackground"));
    windowBackground->addItems({tr("None"), tr("Colour"), tr("Blurred image")});
    // activated: only the user's choice, never the refresh.
    connect(windowBackground, &QComboBox::activated, this,
            &PreferencesGeneralViewController::setBackgroundMode);
    colorPicker = new CLColorPicker;
    colorPicker->setObjectName(QStringLiteral("colorPicker"));
    connect(colorPicker, &CLColorPicker::colorAction, this,
            &PreferencesGeneralViewController::setBackgroundColor);
    auto* backgroundRow = new QHBoxLayout;
    backgroundRow->addWidget(windowBackground);
    backgroundRow->addWidget(colorPicker);
    backgroundRow->addStretch(1);

    auto* form = new QFormLayout(this);
    form->setContentsMargins(20, 16, 20, 16);
    form->setLabelAlignment(Qt::AlignRight);
    form->addRow(tr("New windows:"),
                 group(this, {zoomMode[0], zoomMode[1], zoomMode[2], zoomMode[3]}));
    form->addRow(tr("Documents:"), group(this, {windowMode1, windowMode2}));
    form->addRow(tr("Slideshow delay:"), delayRow);
    form->addRow(tr("Folders:"), folderAccess);
    form->addRow(tr("Full-screen background:"), backgroundRow);
    setTabOrder(windowBackground, colorPicker);

    NotificationCenter::defaultCenter().addObserver(
        QString::fromLatin1(NotificationCenter::UpdateStates), this, [this] { updateStates(); });
}

QString PreferencesGeneralViewController::preferenceIdentifier() const {
    return QStringLiteral("preferencesGeneralViewController");
}

QString PreferencesGeneralViewController::preferenceTitle() const {
    return tr("General");
}

QIcon PreferencesGeneralViewController::preferenceIcon() const {
    return QIcon::fromTheme(QStringLiteral("preferences-system"),
                            style()->standardIcon(QStyle::SP_FileDialogDetailedView));
}

void PreferencesGeneralViewController::showEvent(QShowEvent* event) {
    updateStates();
    QWidget::showEvent(event);
}

void PreferencesGeneralViewController::updateStates() {
    const Settings& settings = store;
    {
        // Qt's setters announce their changes; the store must not hear them.
        const QSignalBlocker b0(zoomMode[0]), b1(zoomMode[1]), b2(zoomMode[2]), b3(zoomMode[3]),
            b4(windowMode1), b5(windowMode2), b6(slideshowDelay), b7(folderAccess),
            b8(windowBackground);
        const int zooming = settings.zoomingMode();
        const int checked = zooming >= 1 && zooming <= 3 ? zooming : 0;
        for (int i = 0; i < 4; ++i)
            zoomMode[i]->setChecked(i == checked);
        folderAccess->setChecked(settings.folderAccess() != 1);
        // Routing treats every mode from 1 up as the second one.
        const bool sameFolderWindow = settings.windowMode() >= 1;
        windowMode2->setChecked(sameFolderWindow);
        windowMode1->setChecked(!sameFolderWindow);
        const int delay = settings.slideshowDelay();
        slideshowDelay->setMaximum(std::max(maximumDelay, delay));
        slideshowDelay->setValue(delay);
        labelDelay->setText(tr("%1 sec").arg(slideshowDelay->value()));
        const int mode = settings.backgroundMode();
        windowBackground->setCurrentIndex(mode >= 0 && mode < windowBackground->count() ? mode
                                                                                        : -1);
        colorPicker->setVisible(windowBackground->currentIndex() == 1);
    }
    // The one control whose setting sends its action: the colour shown is stored.
    colorPicker->setSelectedColor(settings.backgroundColor());
}

void PreferencesGeneralViewController::setZoomingMode(int mode) {
    // New windows follow; those already open keep their own mode.
    store.setValue(Settings::ZoomingMode, mode);
}

void PreferencesGeneralViewController::setWindowMode() {
    store.setValue(Settings::WindowMode, windowMode1->isChecked() ? 0 : 1);
    postUpdateUI();
}

void PreferencesGeneralViewController::setDelay() {
    store.setValue(Settings::SlideshowDelay, double(slideshowDelay->value()));
    labelDelay->setText(tr("%1 sec").arg(slideshowDelay->value()));
    postUpdateUI();
}

void PreferencesGeneralViewController::setDissmissFolderAccess() {
    store.setValue(Settings::FolderAccess, folderAccess->isChecked() ? 0 : 1);
}

void PreferencesGeneralViewController::setBackgroundMode(int index) {
    store.setValue(Settings::BackgroundMode, index);
    colorPicker->setVisible(index == 1);
    postUpdateUI();
}

void PreferencesGeneralViewController::setBackgroundColor(const QColor& color) {
    if (!color.isValid())
        return;
    store.setBackgroundColor(color);
    postUpdateUI();
}
