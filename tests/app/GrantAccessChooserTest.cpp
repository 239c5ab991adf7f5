#include "app/GrantAccessChooser.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Beside the folder with it selected, with the privacy accessory; through the portal it is the
// desktop's own chooser, for Qt's own dialog inside a sandbox shows only the sandbox.
TEST(GrantAccessChooser, StartsBesideTheFolderWithItSelectedOrIsTheDesktopsThroughThePortal) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Pictures"));
    QDir().mkpath(folder);
    for (bool portal : {false, true}) {
        SCOPED_TRACE(portal);
        const auto dialog = GrantAccessChooser::makeDialog(folder, portal);
        EXPECT_EQ(dialog->testOption(QFileDialog::DontUseNativeDialog), !portal);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
        EXPECT_EQ(dialog->labelText(QFileDialog::Accept), QStringLiteral("Grant Access"));
        auto* privacy = dialog->findChild<QPushButton*>(QStringLiteral("systemPreferences"));
        EXPECT_EQ(privacy != nullptr, !portal) << "the accessory is part of our own dialog";
        if (portal)
            continue;
        EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
        dialog->show();
        ASSERT_EQ(dialog->selectedFiles().size(), 1);
        EXPECT_EQ(QDir(dialog->selectedFiles().first()).canonicalPath(),
                  QDir(folder).canonicalPath());
        EXPECT_EQ(privacy->isVisible(), Workspace::canOpenPrivacySettings())
            << "hidden where the desktop has no privacy settings";
    }
}

} // namespace
