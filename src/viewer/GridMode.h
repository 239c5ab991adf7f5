#pragma once

#include <QObject>
#include <QRect>
#include <optional>

class ThumbnailGrid;
class ThumbnailQueue;
class ViewController;

// The window's list as a grid in place of the image: shown over the viewer,
// fed by the thumbnail queue as it scrolls, and left for the image picked in
// it (or the one that was shown). A window fitted to a small image grows to
// hold a comfortable grid while it shows, and gets its frame back after.
class GridMode : public QObject {
    Q_OBJECT
  public:
    explicit GridMode(ViewController* viewer);
    ~GridMode() override;

    bool isShown() const;
    // Return and "Show All Images": the grid, or back from it.
    void toggle();
    void show();
    // Back to the image; `open` picks another one of the list.
    void leave(std::optional<qsizetype> open = std::nullopt);
    // The viewer's whole area.
    void setGeometry(const QRect& area);
    // The folder's listing changed while the grid shows.
    void listChanged();
    // Columns and rows of whole tiles a grown window holds at least.
    static constexpr int comfortableColumns = 5;
    static constexpr int comfortableRows = 3;

  signals:
    void shownChanged();

  private:
    void growWindow();

    ViewController* viewer;
    ThumbnailGrid* grid;
    ThumbnailQueue* queue;
    // The window's frame before it grew for the grid; empty when it did not.
    QRect frameBefore;
};
