#pragma once

#include "app/InfoDetails.h"
#include "info/InfoRequests.h"
#include "viewer/BackgroundTask.h"

#include <QByteArray>
#include <QImage>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QWidget>

class ClsDraw;
class OVThumbView;
class QComboBox;
class QFrame;
class QLabel;
class QModelIndex;
class QStandardItem;
class QStandardItemModel;
class QTreeView;
class RTSpinKitView;

// The information panel's content: the thumbnail, the format, the file size,
// the histogram and the properties tree of the item the viewer in front
// shows. Everything is computed on a worker, one computation at a time, the
// newest request only, and nothing while the panel is hidden.
class InfoViewController : public QWidget {
    Q_OBJECT
  public:
    enum class ContentState { Empty, Loading, Details };

    explicit InfoViewController(QWidget* parent = nullptr);
    ~InfoViewController() override;

    // A file, or none; `shown` is the viewer's image of it when it has one.
    void setURL(const QString& url, const QImage& shown = QImage());
    // Image bytes (an archive entry, the clipboard), or none.
    void setDATA(const QByteArray& data, const QImage& shown = QImage());

    // The panel window shows or hides; a hidden panel computes nothing.
    void setPanelVisible(bool visible);
    // Before the panel appears: the stored graph selection.
    void viewWillAppear();
    // The selector's choice: which graph views show; stores it when `store`.
    void updateHistogramView(bool store);

    ContentState contentState() const { return state; }
    const InfoRequests& requests() const { return queue; }
    QStandardItemModel* treeModel() const { return model; }
    // The property rows as "name\tvalue" lines, children indented: for tests
    // and for reading the panel without looking at it.
    QString treeText() const;
    // The summary's lines, whole (a narrow panel shows them elided).
    QStringList summaryLines() const;

    OVThumbView* thumbView = nullptr;
    ClsDraw* histogramView = nullptr;
    ClsDraw* histogramViewR = nullptr;
    ClsDraw* histogramViewG = nullptr;
    ClsDraw* histogramViewB = nullptr;
    QComboBox* histogramSelector = nullptr;
    QLabel* labelFormat = nullptr;
    QLabel* labelSize = nullptr;
    QLabel* labelHistogram = nullptr;
    QLabel* labelNoDetails = nullptr;
    QFrame* divider = nullptr;
    QWidget* summary = nullptr;
    QTreeView* treeView = nullptr;
    QWidget* loader = nullptr;
    RTSpinKitView* spinner = nullptr;

  signals:
    // A computation's result was shown (tests and benchmarks wait for it).
    void detailsShown(quint64 serial);

  private:
    void apply(InfoRequests::Outcome outcome);
    void startNext();
    void finished(InfoDetails details);
    void enterEmpty();
    void enterLoading();
    void showDetails(const InfoDetails& details);
    void setDetailsVisible(bool visible);
    void setTree(const QList<PropertyNode>& nodes);
    void setSummary(const QStringList& lines);
    void expandGroups(const QModelIndex& parent);
    void buildLayout();

    InfoRequests queue;
    ContentState state = ContentState::Empty;
    QStandardItemModel* model = nullptr;
    QWidget* graphs = nullptr;
    // Groups the user folded, by their names from the top ("{Exif}/..."):
    // every other group opens, so camera settings show at a glance.
    QSet<QString> foldedGroups;
    BackgroundTask tasks;
};
