#include "app/AboutDialog.h"

#include "platform/LibraryVersions.h"
#include "viewer/ChromeStyle.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("About Ovisto"));
    ChromeStyle::darken(this);
    auto* title = new QLabel(
        tr("<b>Ovisto</b> %1").arg(QCoreApplication::applicationVersion().toHtmlEscaped()), this);
    auto* usingLabel = new QLabel(tr("Built with:"), this);
    list = new QListWidget(this);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    for (const LibraryVersions::Library& library : LibraryVersions::all())
        list->addItem(QStringLiteral("%1 %2").arg(library.name, library.version));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(usingLabel);
    layout->addWidget(list);
    layout->addWidget(buttons);
    resize(380, 420);
}
