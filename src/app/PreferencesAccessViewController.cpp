#include "app/PreferencesAccessViewController.h"

#include "core/NotificationCenter.h"
#include "platform/FolderListing.h"
#include "viewer/FolderGrants.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <pwd.h>
#include <unistd.h>

namespace {
// From the user database, not $HOME: the question is whether the user's
// real home can be read.
QString userHome() {
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return QString::fromLocal8Bit(entry->pw_dir);
    return QString();
}
} // namespace

PreferencesAccessViewController::PreferencesAccessViewController(QWidget* parent)
    : QWidget(parent) {
    setObjectName(preferenceIdentifier());
    folderAccess = new QCheckBox(tr("Ask for access to folders that cannot be read"));
    folderAccess->setObjectName(QStringLiteral("folderAccess"));
    connect(folderAccess, &QCheckBox::clicked, this, [this] { setDissmissFolderAccess(); });

    foldersTable = new QListWidget;
    foldersTable->setObjectName(QStringLiteral("foldersTable"));
    foldersTable->setSelectionMode(QAbstractItemView::SingleSelection);
    foldersTable->setMinimumSize(360, 140);
    connect(foldersTable, &QListWidget::itemSelectionChanged, this,
            &PreferencesAccessViewController::tableViewSelectionDidChange);

    addButton = new QToolButton;
    addButton->setObjectName(QStringLiteral("folderAdd"));
    addButton->setText(QStringLiteral("+"));
    addButton->setToolTip(tr("Grant access to a folder"));
    removeButton = new QToolButton;
    removeButton->setObjectName(QStringLiteral("folderRemove"));
    removeButton->setText(QStringLiteral("−"));
    removeButton->setToolTip(tr("Remove the selected grant"));
    removeButton->setEnabled(false);
    for (QToolButton* button : {addButton, removeButton})
        button->setFocusPolicy(Qt::StrongFocus);
    connect(addButton, &QToolButton::clicked, this, [this] { addRemove(addSegment); });
    connect(removeButton, &QToolButton::clicked, this, [this] { addRemove(removeSegment); });

    folderAccessIcon = new QLabel;
    folderAccessIcon->setObjectName(QStringLiteral("folderAccessIcon"));
    folderAccessLabel = new QLabel;
    folderAccessLabel->setObjectName(QStringLiteral("folderAccessLabel"));

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(0);
    buttons->addWidget(addButton);
    buttons->addWidget(removeButton);
    buttons->addStretch(1);
    buttons->addWidget(folderAccessIcon);
    buttons->addWidget(folderAccessLabel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addWidget(folderAccess);
    layout->addWidget(new QLabel(tr("Folders Ovisto may read:")));
    layout->addWidget(foldersTable, 1);
    layout->addLayout(buttons);

    NotificationCenter::defaultCenter().addObserver(
        QString::fromLatin1(NotificationCenter::UpdateStates), this, [this] { updateStates(); });
}

QString PreferencesAccessViewController::preferenceIdentifier() const {
    return QStringLiteral("preferencesAccessViewController");
}

QString PreferencesAccessViewController::preferenceTitle() const {
    return tr("Folder Access");
}

QIcon PreferencesAccessViewController::preferenceIcon() const {
    return QIcon::fromTheme(QStringLiteral("folder"), style()->standardIcon(QStyle::SP_DirIcon));
}

void PreferencesAccessViewController::showEvent(QShowEvent* event) {
    updateStates();
    QWidget::showEvent(event);
}

void PreferencesAccessViewController::updateStates() {
    {
        const QSignalBlocker quiet(folderAccess);
        folderAccess->setChecked(store.folderAccess() != 1);
    }
    rows = FolderGrants(store).folders();
    foldersTable->clear();
    foldersTable->addItems(rows);
    tableViewSelectionDidChange();
    checkForAccess();
}

void PreferencesAccessViewController::setDissmissFolderAccess() {
    store.setValue(Settings::FolderAccess, folderAccess->isChecked() ? 0 : 1);
}

void PreferencesAccessViewController::addRemove(int segment) {
    if (segment == removeSegment) {
        const int row = foldersTable->currentRow();
        const QList<QListWidgetItem*> selected = foldersTable->selectedItems();
        if (selected.isEmpty() || row < 0 || row >= rows.size())
            return;
        FolderGrants(store).removeGrant(rows.at(row));
    } else {
        grantAccess();
    }
    updateStates();
    foldersTable->clearSelection();
}

void PreferencesAccessViewController::grantAccess() {
    FolderGrants(store).grantAccess();
    updateStates();
}

void PreferencesAccessViewController::tableViewSelectionDidChange() {
    removeButton->setEnabled(!foldersTable->selectedItems().isEmpty());
}

bool PreferencesAccessViewController::checkForAccess() {
    const QString home = userHome();
    const bool access = !home.isEmpty() && FolderListing::list(home).children.has_value();
    folderAccessLabel->setText(access ? QStringLiteral("Access granted")
                                      : QStringLiteral("No access"));
    const QIcon lock = QIcon::fromTheme(
        access ? QStringLiteral("changes-allow") : QStringLiteral("changes-prevent"),
        style()->standardIcon(access ? QStyle::SP_DialogYesButton : QStyle::SP_DialogNoButton));
    folderAccessIcon->setPixmap(lock.pixmap(16, 16));
    return access;
}
