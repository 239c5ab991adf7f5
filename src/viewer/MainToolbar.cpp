#include "viewer/MainToolbar.h"

#include "viewer/ChromeStyle.h"
#include "viewer/FramePlayback.h"
#include "viewer/PlayerSlider.h"
#include "viewer/RoundedMask.h"
#include "viewer/Slideshow.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerFullScreen.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

MainToolbar::MainToolbar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("mainToolbar"));
    setStyleSheet(ChromeStyle::buttonBarStyleSheet());
    auto* row = new QHBoxLayout;
    row->setContentsMargins(10, 0, 10, 0);
    row->setSpacing(2);
    actionPrevious = makeButton("actionPrevious", "previous", tr("Previous Image"));
    actionNext = makeButton("actionNext", "next", tr("Next Image"));
    actionPlay = makeButton("actionPlay", "slideshow-Template", tr("Slideshow"));
    actionZoomOut = makeButton("actionZoomOut", "zoom-out", tr("Zoom Out"));
    actionZoomIn = makeButton("actionZoomIn", "zoom-in", tr("Zoom In"));
    actionFullscreen = makeButton("actionFullscreen", "fullscreen-enter", tr("Full Screen"));

    labelFileName = new QLabel(this);
    labelFileName->setObjectName(QStringLiteral("labelFileName"));
    labelImageResolution = new QLabel(this);
    labelImageResolution->setObjectName(QStringLiteral("labelImageResolution"));
    labelPosition = new QLabel(this);
    labelPosition->setObjectName(QStringLiteral("labelPosition"));
    for (QLabel* label : {labelFileName, labelImageResolution, labelPosition}) {
        label->setAlignment(Qt::AlignCenter);
        label->setTextFormat(Qt::PlainText);
        label->setMinimumWidth(10);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, QColor(255, 255, 255, label == labelFileName ? 230 : 150));
        label->setPalette(palette);
    }
    QFont small = labelImageResolution->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    labelImageResolution->setFont(small);
    labelPosition->setFont(small);
    auto* details = new QHBoxLayout;
    details->setSpacing(10);
    details->addStretch(1);
    details->addWidget(labelImageResolution);
    details->addWidget(labelPosition);
    details->addStretch(1);
    auto* labels = new QVBoxLayout;
    labels->setSpacing(0);
    labels->addStretch(1);
    labels->addWidget(labelFileName);
    labels->addLayout(details);
    labels->addStretch(1);

    row->addWidget(actionPrevious);
    row->addWidget(actionNext);
    row->addWidget(actionPlay);
    row->addLayout(labels, 1);
    row->addWidget(actionZoomOut);
    row->addWidget(actionZoomIn);
    row->addWidget(actionFullscreen);

    framesRow = new QWidget(this);
    auto* frames = new QHBoxLayout(framesRow);
    frames->setContentsMargins(14, 0, 14, 0);
    frames->setSpacing(8);
    actionPlayStopGif = makeButton("actionPlayStopGif", "pause-Template", tr("Play"));
    actionPlayStopGif->setFixedSize(22, 22);
    actionPlayStopGif->setIconSize(QSize(14, 14));
    imageFrames = new QLabel(framesRow);
    imageFrames->setObjectName(QStringLiteral("imageFrames"));
    imageFrames->setPixmap(QIcon(QStringLiteral(":/slideshow-Template.svg")).pixmap(QSize(14, 14)));
    imageFrames->setFixedSize(22, 22);
    imageFrames->setAlignment(Qt::AlignCenter);
    frameSlider = new PlayerSlider(framesRow);
    labelFrames = new QLabel(framesRow);
    labelFrames->setObjectName(QStringLiteral("labelFrames"));
    labelFrames->setMinimumWidth(56);
    labelFrames->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette dim = labelFrames->palette();
    dim.setColor(QPalette::WindowText, QColor(255, 255, 255, 170));
    labelFrames->setPalette(dim);
    frames->addWidget(actionPlayStopGif);
    frames->addWidget(imageFrames);
    frames->addWidget(frameSlider, 1);
    frames->addWidget(labelFrames);
    actionPlayStopGif->setParent(framesRow);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 6);
    column->setSpacing(0);
    column->addLayout(row, 0);
    column->addWidget(framesRow);
    column->addStretch(1);
    setToolbarHeight(stillHeight);
}

QIcon MainToolbar::templateIcon(const QString& picture) {
    // White glyphs on a dark panel: Qt's generated disabled look hardly
    // differs from the normal one, so disabled buttons get a faint copy.
    const QIcon source(QStringLiteral(":/%1.svg").arg(picture));
    QIcon icon;
    for (const qreal scale : {1.0, 2.0}) {
        const QPixmap normal = source.pixmap(QSize(22, 22), scale);
        QPixmap faint(normal.size());
        faint.setDevicePixelRatio(normal.devicePixelRatio());
        faint.fill(Qt::transparent);
        QPainter painter(&faint);
        painter.setOpacity(0.3);
        painter.drawPixmap(0, 0, normal);
        painter.end();
        icon.addPixmap(normal, QIcon::Normal);
        icon.addPixmap(faint, QIcon::Disabled);
    }
    return icon;
}

QToolButton* MainToolbar::makeButton(const char* name, const char* picture, const QString& tip) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(templateIcon(QString::fromLatin1(picture)));
    button->setIconSize(QSize(22, 22));
    button->setFixedSize(34, 34);
    button->setAutoRaise(true);
    button->setToolTip(tip);
    // Keys belong to the viewer, never to a focused button.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

void MainToolbar::setButtonPicture(QToolButton* button, const QString& picture) {
    button->setIcon(templateIcon(picture));
}

void MainToolbar::setToolbarHeight(int height) {
    heightConstant = height;
    setFixedHeight(height);
    if (framesRow)
        framesRow->setVisible(height >= framesHeight);
    if (layout())
        layout()->itemAt(0)->layout()->setContentsMargins(10, (stillHeight - 34) / 2, 10, 0);
    emit heightChanged(height);
}

void MainToolbar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QImage fill(RoundedMask::maskedImageForSize(size(), cornerRadius, devicePixelRatioF()));
    if (fill.isNull())
        return;
    // Colour the mask: keep its alpha, replace black with the panel colour.
    QPainter tint(&fill);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(QRectF(QPointF(0, 0), QSizeF(size())), QColor(28, 28, 30, 215));
    tint.end();
    painter.drawImage(QPointF(0, 0), fill);
}

void MainToolbar::connectTo(ViewController* viewer) {
    connect(actionNext, &QToolButton::clicked, viewer, &ViewController::nextImage);
    connect(actionPrevious, &QToolButton::clicked, viewer, &ViewController::previousImage);
    connect(actionZoomIn, &QToolButton::clicked, viewer, &ViewController::zoomIn);
    connect(actionPlay, &QToolButton::clicked, viewer, &ViewController::playSlideshow);
    connect(actionZoomOut, &QToolButton::clicked, viewer, &ViewController::zoomOut);
    FramePlayback* playback = viewer->framePlayback();
    connect(actionPlayStopGif, &QToolButton::clicked, playback, &FramePlayback::playStop);
    connect(frameSlider, &QSlider::valueChanged, this, [this, playback] {
        // After the current event, as the slider's own handling finishes first.
        QTimer::singleShot(0, this,
                           [this, playback] { playback->showFrame(frameSlider->value()); });
    });
    connect(actionFullscreen, &QToolButton::clicked, viewer->fullScreen(),
            &ViewerFullScreen::toggleFullScreen);
    connect(playback, &FramePlayback::playingChanged, this, &MainToolbar::setGifPlaying);
    connect(viewer->slideshowTimer(), &Slideshow::runningChanged, this,
            &MainToolbar::setSlideshowRunning);
    connect(viewer->fullScreen(), &ViewerFullScreen::fullScreenPictureChanged, this,
            &MainToolbar::setFullScreenShown);
}

void MainToolbar::setSteppingEnabled(bool enabled) {
    for (QToolButton* button : {actionNext, actionPrevious, actionPlay})
        button->setEnabled(enabled);
}

void MainToolbar::resetForNewItem() {
    setToolbarHeight(stillHeight);
    setAnimated(false);
    labelFrames->clear();
}

void MainToolbar::setFrameCount(int count) {
    setToolbarHeight(count >= 2 ? framesHeight : stillHeight);
    if (count >= 2) {
        const QSignalBlocker quiet(frameSlider);
        frameSlider->setRange(0, count - 1);
    }
}

void MainToolbar::setFramePosition(int index, int count) {
    const QSignalBlocker quiet(frameSlider);
    frameSlider->setValue(index);
    labelFrames->setText(QString::asprintf("%i/%i", index + 1, count));
}

void MainToolbar::setAnimated(bool animated) {
    imageFrames->setVisible(!animated);
    actionPlayStopGif->setVisible(animated);
}

void MainToolbar::setResolution(const QSize& pixels, bool partial) {
    if (pixels.isEmpty()) {
        labelImageResolution->clear();
        return;
    }
    const QString size = QString::asprintf("%ipx × %ipx", pixels.width(), pixels.height());
    labelImageResolution->setText(partial ? size + tr(" — damaged (partial)") : size);
}

void MainToolbar::setPosition(const QString& text) {
    labelPosition->setText(text);
    labelPosition->setVisible(!text.isEmpty());
}

void MainToolbar::setGifPlaying(bool playing) {
    setButtonPicture(actionPlayStopGif,
                     playing ? QStringLiteral("pause-Template") : QStringLiteral("play-Template"));
}

void MainToolbar::setSlideshowRunning(bool running) {
    setButtonPicture(actionPlay, Slideshow::toolbarPicture(running));
}

void MainToolbar::setFullScreenShown(bool inFullScreen) {
    setButtonPicture(actionFullscreen, inFullScreen ? QStringLiteral("fullscreen-exit")
                                                    : QStringLiteral("fullscreen-enter"));
    actionFullscreen->setToolTip(inFullScreen ? tr("Exit Full Screen") : tr("Full Screen"));
}
