#include "app/CopiesDialog.h"

#include "app/Reinitialise.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace onda {

CopiesDialog::CopiesDialog(const QList<DatabaseCopy>& copies, const QString& folder, QWidget* parent)
    : QDialog(parent), m_copies(copies) {
    setObjectName(QStringLiteral("frmCopie"));
    setWindowTitle(QStringLiteral("Ripristina una copia"));
    setModal(true);

    auto* caption = new QLabel(QStringLiteral("&Copie del database in ") + folder + QLatin1Char(':'), this);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("Copie"));
    m_list->setAccessibleName(QStringLiteral("Copie del database"));
    caption->setBuddy(m_list);
    m_list->setRootIsDecorated(false);
    m_list->setAllColumnsShowFocus(true);
    m_list->setHeaderLabels({QStringLiteral("Data"), QStringLiteral("Ora"), QStringLiteral("Motivo"),
                             QStringLiteral("Atleti"), QStringLiteral("Iscrizioni")});
    for (const DatabaseCopy& copy : copies) {
        auto* item = new QTreeWidgetItem(
            m_list, {copy.made.toString(QStringLiteral("dd/MM/yyyy")), copy.made.toString(QStringLiteral("HH:mm")),
                     copies::describe(copy.reason), copyCount(copy.athletes), copyCount(copy.registrations)});
        item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(4, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(false);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* restore = buttons->addButton(QStringLiteral("&Ripristina"), QDialogButtonBox::AcceptRole);
    restore->setObjectName(QStringLiteral("Ripristina"));
    restore->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("&Annulla"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Annulla"));
    connect(restore, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemActivated, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(640, 360);
}

const DatabaseCopy* CopiesDialog::chosen() const {
    const int row = m_list->currentItem() ? m_list->indexOfTopLevelItem(m_list->currentItem()) : -1;
    return result() == QDialog::Accepted && row >= 0 ? &m_copies.at(row) : nullptr;
}

} // namespace onda
