#include "app/GrantAccessChooser.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(GrantAccessChooser, StartsBesideTheFolderWithItSelected) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Pictures"));
    QDir().mkpath(folder);
    const auto dialog = GrantAccessChooser::makeDialog(folder, false);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    EXPECT_EQ(dialog->labelText(QFileDialog::Accept), QStringLiteral("Grant Access"));
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
    dialog->show();
    ASSERT_EQ(dialog->selectedFiles().size(), 1);
    EXPECT_EQ(QDir(dialog->selectedFiles().first()).canonicalPath(), QDir(folder).canonicalPath());

    auto* privacy = dialog->findChild<QPushButton*>(QStringLiteral("systemPreferences"));
    ASSERT_TRUE(privacy) << "the accessory is part of the dialog";
    EXPECT_EQ(privacy->isVisible(), Workspace::canOpenPrivacySettings())
        << "hidden where the desktop has no privacy settings";
}

TEST(GrantAccessChooser, ThroughThePortalItIsTheDesktopsOwnChooser) {
    // Qt's own dialog inside a sandbox shows only the sandbox: choosing there grants nothing.
    const auto dialog = GrantAccessChooser::makeDialog(QDir::tempPath(), true);
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    EXPECT_EQ(dialog->labelText(QFileDialog::Accept), QStringLiteral("Grant Access"));
    EXPECT_FALSE(dialog->findChild<QWidget*>(QStringLiteral("PermissionsAccessoryView")));
}

} // namespace
