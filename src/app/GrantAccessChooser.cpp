#include "app/GrantAccessChooser.h"

#include "platform/DocumentPortal.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

std::unique_ptr<QFileDialog> GrantAccessChooser::makeDialog(const QString& folder,
                                                            bool throughPortal) {
    auto dialog = std::make_unique<QFileDialog>(nullptr, QObject::tr("Grant Access"));
    dialog->setObjectName(QStringLiteral("GrantAccessChooser"));
    // In a sandbox Qt's native dialog is the portal's chooser, the one that
    // can grant; the accessory below needs Qt's own dialog.
    dialog->setOption(QFileDialog::DontUseNativeDialog, !throughPortal);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setLabelText(QFileDialog::Accept, QObject::tr("Grant Access"));
    if (!folder.isEmpty()) {
        const QFileInfo info(folder);
        dialog->setDirectory(info.absolutePath());
        dialog->selectFile(info.fileName());
    }
    if (throughPortal)
        return dialog;

    auto* accessory = new QWidget(dialog.get());
    accessory->setObjectName(QStringLiteral("PermissionsAccessoryView"));
    auto* row = new QHBoxLayout(accessory);
    row->setContentsMargins(0, 6, 0, 0);
    auto* note = new QLabel(
        QObject::tr("Ovisto may not read this folder. Grant it to step through its images."),
        accessory);
    note->setWordWrap(true);
    row->addWidget(note, 1);
    auto* privacy = new QPushButton(QObject::tr("Privacy Settings…"), accessory);
    privacy->setObjectName(QStringLiteral("systemPreferences"));
    privacy->setAutoDefault(false);
    privacy->setVisible(Workspace::canOpenPrivacySettings());
    QObject::connect(privacy, &QPushButton::clicked, [] { Workspace::openPrivacySettings(); });
    row->addWidget(privacy);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout()))
        grid->addWidget(accessory, grid->rowCount(), 0, 1, grid->columnCount());
    return dialog;
}

std::optional<QString> GrantAccessChooser::choose(const QString& folder) {
    const std::unique_ptr<QFileDialog> dialog = makeDialog(folder, DocumentPortal::answers());
    dialog->setWindowModality(Qt::ApplicationModal);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::cleanPath(dialog->selectedFiles().first());
}
