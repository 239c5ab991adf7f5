#include "viewer/GridMode.h"

#include "geometry/GridLayout.h"
#include "viewer/ArchiveDocument.h"
#include "viewer/ChromeStyle.h"
#include "viewer/Slideshow.h"
#include "viewer/ThumbnailGrid.h"
#include "viewer/ThumbnailQueue.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerDocument.h"

#include <QScreen>
#include <QStyle>

GridMode::GridMode(ViewController* viewer)
    : QObject(viewer), viewer(viewer), grid(new ThumbnailGrid(viewer)),
      queue(new ThumbnailQueue(this)) {
    grid->hide();
    // Dark like the rest of the viewer's chrome, whatever the desktop's theme.
    grid->setPalette(ChromeStyle::darkPalette());
    grid->setSource([this](qsizetype index) -> std::optional<ThumbnailGrid::Thumbnail> {
        if (const std::optional<ThumbnailQueue::Tile> tile = queue->tile(index))
            return ThumbnailGrid::Thumbnail{tile->image, tile->failed};
        return std::nullopt;
    });
    connect(grid, &ThumbnailGrid::visibleChanged, queue,
            [this](qsizetype first, qsizetype last, int direction) {
                queue->setVisible(first, last,
                                  direction < 0 ? ThumbnailQueue::Direction::Backward
                                                : ThumbnailQueue::Direction::Forward);
            });
    connect(queue, &ThumbnailQueue::thumbnailReady, grid,
            [this](qsizetype index, const QString&, const QImage& image, bool failed) {
                grid->setTile(index, image, failed);
            });
    connect(grid, &ThumbnailGrid::activated, this, [this](qsizetype index) { leave(index); });
    connect(grid, &ThumbnailGrid::dismissed, this, [this] { leave(); });
}

GridMode::~GridMode() = default;

bool GridMode::isShown() const {
    return grid->isVisible();
}

void GridMode::toggle() {
    if (isShown())
        leave(grid->selectedIndex());
    else
        show();
}

void GridMode::show() {
    ViewerDocument* doc = viewer->document();
    const QStringList& entries = doc->imageFiles().entries();
    if (isShown() || entries.isEmpty() || doc->isData())
        return;
    viewer->slideshowTimer()->stopSlideshow();
    if (doc->isZip() && doc->archive()) {
        // Entries are read from the archive the window holds open, on a worker.
        std::shared_ptr<ArchiveDocument> archive = doc->archive();
        queue->setArchive(
            entries, [archive](const QString& entry) { return archive->imageDataForEntry(entry); });
    } else {
        queue->setFolder(entries);
    }
    queue->setPixels(int(GridLayout::tileSide * viewer->devicePixelRatioF()));
    growWindow();
    grid->setGeometry(viewer->rect());
    grid->setEntries(entries, doc->imageFiles().position().value_or(0));
    grid->show();
    grid->raise();
    grid->setFocus();
    emit shownChanged();
}

void GridMode::leave(std::optional<qsizetype> open) {
    if (!isShown())
        return;
    grid->hide();
    queue->clear();
    viewer->setFocus();
    if (frameBefore.isValid()) {
        viewer->window()->setGeometry(frameBefore);
        frameBefore = QRect();
    }
    const std::optional<qsizetype> current = viewer->document()->imageFiles().position();
    if (open && open != current)
        viewer->document()->showImageAt(*open);
    else
        viewer->processWindow(false);
    emit shownChanged();
}

void GridMode::listChanged() {
    if (!isShown())
        return;
    ViewerDocument* doc = viewer->document();
    const QStringList& entries = doc->imageFiles().entries();
    if (entries.isEmpty()) {
        leave();
        return;
    }
    const qsizetype selected = grid->selectedIndex();
    if (!doc->isZip())
        queue->setFolder(entries);
    grid->setEntries(entries, std::min(selected, entries.size() - 1));
}

void GridMode::setGeometry(const QRect& area) {
    grid->setGeometry(area);
}

void GridMode::growWindow() {
    QWidget* window = viewer->window();
    if (window->isFullScreen() || window->isMaximized() || !window->screen())
        return;
    const QRect available = window->screen()->availableGeometry();
    const QSize chrome = window->size() - viewer->size();
    const QSize wanted = (GridLayout::sizeFor(comfortableColumns, comfortableRows) + chrome +
                          QSize(grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent), 0))
                             .boundedTo(available.size());
    const QRect frame = window->geometry();
    if (frame.width() >= wanted.width() && frame.height() >= wanted.height())
        return;
    frameBefore = frame;
    QRect grown(QPoint(), frame.size().expandedTo(wanted));
    grown.moveCenter(frame.center());
    // Kept on the screen's visible area.
    grown.moveLeft(
        std::clamp(grown.left(), available.left(), available.right() + 1 - grown.width()));
    grown.moveTop(
        std::clamp(grown.top(), available.top(), available.bottom() + 1 - grown.height()));
    window->setGeometry(grown);
}
