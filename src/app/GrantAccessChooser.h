#pragma once

#include <QString>
#include <memory>
#include <optional>

class QFileDialog;

// The folder chooser that asks the user to grant a folder: a folder dialog
// titled and confirmed "Grant Access", starting in the folder's parent with
// the folder selected. Through the document portal it is the desktop's own
// chooser, since only a folder chosen there is granted; otherwise Qt's
// dialog, with a note and, where the desktop has one, a button to its
// privacy settings.
class GrantAccessChooser {
  public:
    // The dialog, not yet shown; an empty folder starts wherever the dialog likes.
    static std::unique_ptr<QFileDialog> makeDialog(const QString& folder, bool throughPortal);
    // Runs the dialog; the folder chosen, or nothing when cancelled.
    static std::optional<QString> choose(const QString& folder);
};
