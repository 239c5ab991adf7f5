#pragma once

#include "viewer/ViewerMessage.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

class MessageView;
class ViewerDetail;
class ViewController;
struct LoadedItem;

// Puts what the viewer's document reports on screen: the title while an item
// loads, its first look, the full item with its frames, each page or frame
// that playback shows, and the message in place of an image that fails or a
// list that gives nothing to show.
class ItemDisplay : public QObject {
    Q_OBJECT
  public:
    ItemDisplay(ViewController* viewer, MessageView* messageView);

    // The document's reports.
    void loadStarted(const QString& path, bool waiting);
    void firstLookReady(const QImage& image, const QSize& fullSize, const QImage& screenCopy);
    void itemReady(const LoadedItem& item, bool refit);
    void frameShown(int index, const QImage& image, bool refit);
    // A folder or archive that gives no list to show: its message instead.
    void showListMessage(ViewerMessage::Situation situation, const QString& document);

    void showMessage(ViewerMessage::Situation situation);
    void hideMessage();
    // The sharp parts of an overview, and copies from its file.
    ViewerDetail* details() const { return detail; }
    // The message shown in place of the image; null when there is none.
    const ViewerMessage* shownMessage() const;
    // The position in the list and the zoom beside the resolution; on every
    // step, zoom and change of the list.
    void updatePosition();

  signals:
    void updateMainMenuRequested();
    void updateFrameItemsRequested();
    void updateDetailsPanel(const QString& path, const QImage& shown = QImage());
    void updateDetailsPanelWithData(const QByteArray& bytes, const QImage& shown = QImage());

  private:
    void resetForNewItem();
    void setTitle(const QString& label, const QString& title);
    void showFrame(int index, const QImage& image, const QSize& pixelSize, bool refit,
                   const QImage& screenCopy = QImage());
    void showImage(const QImage& image, const QSize& pixelSize, bool refit,
                   const QImage& screenCopy);
    void startAnimation(const LoadedItem& item);

    ViewController* viewer = nullptr;
    MessageView* messageView = nullptr;
    ViewerDetail* detail = nullptr;
};
