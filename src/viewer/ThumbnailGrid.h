#pragma once

#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

class QScrollBar;

// The window's list as a grid of thumbnails, in place of the image. It paints
// only the tiles in view, asks for the thumbnails of what it shows (and which
// way it moves), keeps the tiles of the rows near the view and forgets the
// rest. Keys move the selection; Return or a double click opens the selected
// image, Escape leaves the grid.
class ThumbnailGrid : public QWidget {
    Q_OBJECT
  public:
    explicit ThumbnailGrid(QWidget* parent = nullptr);

    // The list's names (paths or archive entries; the last component shows)
    // and the tile to select and scroll into view.
    void setEntries(const QStringList& entries, qsizetype selected);
    qsizetype selectedIndex() const { return selected; }
    // A thumbnail that arrived; failed ones show a broken-image tile.
    void setTile(qsizetype index, const QImage& image, bool failed);
    // Where tiles coming back into view are looked for first: the maker's
    // own store of them. Nothing while one is not there.
    struct Thumbnail {
        QImage image;
        bool failed = false;
    };
    using Source = std::function<std::optional<Thumbnail>(qsizetype index)>;
    void setSource(Source source) { held = std::move(source); }
    // How many rows above and below the view keep their tiles.
    static constexpr int keptRows = 4;

  signals:
    // The tiles in view, and the way the view last moved (+1 down, -1 up).
    void visibleChanged(qsizetype first, qsizetype last, int direction);
    void activated(qsizetype index);
    void dismissed();

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    // Scaled once to the tile, so that a scroll frame only copies pixels.
    struct Tile {
        QPixmap pixmap;
        bool failed = false;
    };
    void store(qsizetype index, const QImage& image, bool failed);
    void select(qsizetype index);
    void scrollTo(int offset);
    void updateRange();
    void viewChanged();
    int viewWidth() const;

    QStringList names;
    QHash<qsizetype, Tile> tiles;
    qsizetype selected = -1;
    int scroll = 0;
    int direction = 1;
    QScrollBar* bar = nullptr;
    QImage broken;
    Source held;
};
