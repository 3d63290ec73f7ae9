#pragma once

#include "store/DatabaseCopies.h"

#include <QDialog>

class QTreeWidget;

namespace onda {

// frmCopie: the copies of the database, newest first, one to choose to put back.
class CopiesDialog : public QDialog {
    Q_OBJECT
public:
    CopiesDialog(const QList<DatabaseCopy>& copies, const QString& folder, QWidget* parent);

    // The copy chosen with "Ripristina"; empty before.
    const DatabaseCopy* chosen() const;

private:
    QList<DatabaseCopy> m_copies;
    QTreeWidget* m_list = nullptr;
};

} // namespace onda
