#include "viewer/ExportFileDialog.h"

void ExportFileDialog::accept() {
    if (nameCheck && !nameCheck())
        return;
    QFileDialog::accept();
}
