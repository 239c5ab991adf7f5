#include "app/InfoViewController.h"

#include "app/ClsDraw.h"
#include "app/OVThumbView.h"
#include "core/Settings.h"
#include "menus/RTSpinKitView.h"
#include "platform/WorkerPools.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

constexpr int graphHeight = 100; // one unit per percent
constexpr int thumbSide = 64;

// Keeps every child at the container's full size: the four graphs lie on
// top of each other.
class GraphStack : public QWidget {
  public:
    using QWidget::QWidget;

  protected:
    void resizeEvent(QResizeEvent*) override {
        for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            child->setGeometry(rect());
    }
};

// A value line that never widens the panel: too long, it is elided in the
// middle, and the tooltip has it whole.
class ElidedLabel : public QLabel {
  public:
    ElidedLabel(const QString& text, QWidget* parent) : QLabel(parent), whole(text) {
        setTextInteractionFlags(Qt::TextSelectableByMouse);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        setTextFormat(Qt::PlainText);
        setToolTip(text);
        setText(text);
    }
    const QString whole;

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        const QString shown =
            fontMetrics().elidedText(whole, Qt::ElideMiddle, contentsRect().width());
        if (shown != text())
            setText(shown);
    }
};

void addRows(QStandardItem* parent, const QList<PropertyNode>& nodes) {
    for (const PropertyNode& node : nodes) {
        auto* key = new QStandardItem(node.key);
        auto* value = new QStandardItem(node.val);
        key->setEditable(false);
        value->setEditable(false);
        key->setToolTip(node.key);
        value->setToolTip(node.val);
        if (node.isGroup)
            addRows(key, node.children);
        parent->appendRow({key, value});
    }
}

QString groupPath(const QModelIndex& index) {
    QString path;
    for (QModelIndex at = index.siblingAtColumn(0); at.isValid(); at = at.parent())
        path.prepend(at.data().toString() + QLatin1Char('/'));
    return path;
}

void appendText(QString& out, const QStandardItem* parent, int depth) {
    for (int row = 0; row < parent->rowCount(); ++row) {
        const QStandardItem* key = parent->child(row, 0);
        const QStandardItem* value = parent->child(row, 1);
        out += QString(depth * 2, QLatin1Char(' ')) + key->text() + QLatin1Char('\t') +
               (value ? value->text() : QString()) + QLatin1Char('\n');
        appendText(out, key, depth + 1);
    }
}

} // namespace

InfoViewController::InfoViewController(QWidget* parent)
    : QWidget(parent), tasks(this, WorkerPools::details()) {
    buildLayout();
    enterEmpty();
}

InfoViewController::~InfoViewController() = default;

void InfoViewController::buildLayout() {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(4); // room for the summary in the default height

    auto* top = new QHBoxLayout;
    thumbView = new OVThumbView(this);
    thumbView->setFixedSize(thumbSide, thumbSide);
    top->addWidget(thumbView);
    auto* texts = new QVBoxLayout;
    labelFormat = new QLabel(this);
    labelSize = new QLabel(this);
    for (QLabel* label : {labelFormat, labelSize}) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        texts->addWidget(label);
    }
    texts->addStretch();
    top->addLayout(texts, 1);
    column->addLayout(top);

    auto* selectorRow = new QHBoxLayout;
    labelHistogram = new QLabel(tr("Histogram"), this);
    histogramSelector = new QComboBox(this);
    histogramSelector->addItems({tr("Luminance"), tr("RGB")});
    histogramSelector->setFocusPolicy(Qt::NoFocus);
    selectorRow->addWidget(labelHistogram);
    selectorRow->addStretch();
    selectorRow->addWidget(histogramSelector);
    column->addLayout(selectorRow);
    // Stored only when the user picks, never when the panel restores it.
    connect(histogramSelector, &QComboBox::activated, this, [this] { updateHistogramView(true); });

    graphs = new GraphStack(this);
    graphs->setFixedHeight(graphHeight);
    histogramViewR = new ClsDraw(graphs);
    histogramViewG = new ClsDraw(graphs);
    histogramViewB = new ClsDraw(graphs);
    histogramView = new ClsDraw(graphs);
    column->addWidget(graphs);

    divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    column->addWidget(divider);

    summary = new QWidget(this);
    auto* lines = new QVBoxLayout(summary);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(0);
    column->addWidget(summary);

    model = new QStandardItemModel(this);
    model->setHorizontalHeaderLabels({tr("Property"), tr("Value")});
    treeView = new QTreeView(this);
    treeView->setModel(model);
    treeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    treeView->setFocusPolicy(Qt::NoFocus);
    treeView->setUniformRowHeights(true);
    // Long values keep both ends (a path's start and its file name); the
    // tooltip has them whole.
    treeView->setTextElideMode(Qt::ElideMiddle);
    treeView->header()->setSectionResizeMode(QHeaderView::Interactive);
    treeView->header()->resizeSection(0, 110);
    column->addWidget(treeView, 1);
    connect(treeView, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { foldedGroups.insert(groupPath(index)); });
    connect(treeView, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { foldedGroups.remove(groupPath(index)); });

    labelNoDetails = new QLabel(tr("No details"), this);
    labelNoDetails->setAlignment(Qt::AlignCenter);
    column->addWidget(labelNoDetails);

    loader = new QWidget(this);
    loader->setFixedSize(40, 40);
    spinner = new RTSpinKitView(1, loader);
    spinner->setGeometry(0, 0, 40, 40);
    spinner->setColor(QColor::fromRgbF(1, 1, 1, 0.75));
    column->addWidget(loader, 0, Qt::AlignHCenter);
}

void InfoViewController::setURL(const QString& url, const QImage& shown) {
    apply(queue.setURL(url, shown));
}

void InfoViewController::setDATA(const QByteArray& data, const QImage& shown) {
    apply(queue.setDATA(data, shown));
}

void InfoViewController::apply(InfoRequests::Outcome outcome) {
    switch (outcome) {
    case InfoRequests::Outcome::Unchanged:
        return;
    case InfoRequests::Outcome::Empty:
        enterEmpty();
        return;
    case InfoRequests::Outcome::Loading:
        enterLoading();
        startNext();
        return;
    }
}

void InfoViewController::setPanelVisible(bool visible) {
    queue.setVisible(visible);
    startNext();
}

void InfoViewController::startNext() {
    std::optional<InfoRequest> next = queue.takeNext();
    if (!next)
        return;
    tasks.run([request = std::move(*next)] { return InfoDetails::compute(request); },
              [this](InfoDetails details) { finished(std::move(details)); });
}

void InfoViewController::finished(InfoDetails details) {
    if (queue.finished(details.serial)) {
        if (details.ok)
            showDetails(details);
        else
            enterEmpty();
        emit detailsShown(details.serial);
    }
    // Release the computation's images off this thread, then the next one.
    BackgroundTask::releaseNow(std::move(details));
    startNext();
}

void InfoViewController::setDetailsVisible(bool visible) {
    for (QWidget* widget : std::initializer_list<QWidget*>{thumbView, histogramSelector, divider,
                                                           labelFormat, labelSize, labelHistogram})
        widget->setVisible(visible);
    graphs->setVisible(visible);
    summary->setVisible(visible);
    if (!visible) {
        for (ClsDraw* graph : {histogramView, histogramViewR, histogramViewG, histogramViewB})
            graph->hide();
    }
}

void InfoViewController::enterEmpty() {
    state = ContentState::Empty;
    setTree({});
    setSummary({});
    setDetailsVisible(false);
    labelNoDetails->show();
    spinner->stopAnimating();
    loader->hide();
}

void InfoViewController::enterLoading() {
    state = ContentState::Loading;
    setTree({});
    setSummary({});
    setDetailsVisible(false);
    labelNoDetails->hide();
    loader->show();
    spinner->startAnimating();
}

void InfoViewController::showDetails(const InfoDetails& details) {
    state = ContentState::Details;
    setTree(details.tree);
    setSummary(details.summary);
    thumbView->setImage(details.thumbnail);
    labelFormat->setText(details.format);
    labelSize->setText(details.size);
    if (details.histogram) {
        histogramView->graphColor = QColor::fromRgbF(1, 1, 1, 0.7);
        histogramView->background = QColor::fromRgbF(0, 0, 0, 0.3);
        histogramView->border = QColor::fromRgbF(1, 1, 1, 0.3);
        histogramViewR->graphColor = QColor::fromRgbF(1, 0, 0, 0.5);
        histogramViewR->background = QColor::fromRgbF(0, 0, 0, 0.3);
        histogramViewG->graphColor = QColor::fromRgbF(0, 1, 0, 0.5);
        histogramViewB->graphColor = QColor::fromRgbF(0, 0, 1, 0.5);
        histogramViewB->border = QColor::fromRgbF(1, 1, 1, 0.3);
        histogramView->drawGraphForArray(details.histogram->whitepoints);
        histogramViewR->drawGraphForArray(details.histogram->redpoints);
        histogramViewG->drawGraphForArray(details.histogram->greenpoints);
        histogramViewB->drawGraphForArray(details.histogram->bluepoints);
    }
    setDetailsVisible(true);
    updateHistogramView(false);
    labelNoDetails->hide();
    spinner->stopAnimating();
    loader->hide();
}

void InfoViewController::setTree(const QList<PropertyNode>& nodes) {
    model->removeRows(0, model->rowCount());
    addRows(model->invisibleRootItem(), nodes);
    expandGroups(QModelIndex());
}

void InfoViewController::setSummary(const QStringList& lines) {
    for (QLabel* line : summary->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        delete line;
    for (const QString& text : lines)
        summary->layout()->addWidget(new ElidedLabel(text, summary));
}

QStringList InfoViewController::summaryLines() const {
    QStringList lines;
    for (const QLabel* line : summary->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        lines.append(static_cast<const ElidedLabel*>(line)->whole);
    return lines;
}

void InfoViewController::expandGroups(const QModelIndex& parent) {
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex group = model->index(row, 0, parent);
        if (!model->hasChildren(group) || foldedGroups.contains(groupPath(group)))
            continue;
        treeView->expand(group);
        expandGroups(group);
    }
}

QString InfoViewController::treeText() const {
    QString out;
    appendText(out, model->invisibleRootItem(), 0);
    return out;
}

void InfoViewController::viewWillAppear() {
    const int stored = Settings().histogramType();
    histogramSelector->setCurrentIndex(HistogramView::showsLuminanceOnly(stored) ? 0 : 1);
    updateHistogramView(false);
}

void InfoViewController::updateHistogramView(bool store) {
    const int index = histogramSelector->currentIndex();
    const bool shown = state == ContentState::Details;
    const bool luminance = HistogramView::showsLuminanceOnly(index);
    histogramView->setVisible(shown && luminance);
    for (ClsDraw* graph : {histogramViewR, histogramViewG, histogramViewB})
        graph->setVisible(shown && !luminance);
    if (store)
        Settings().setValue(Settings::HistogramType, index);
}
