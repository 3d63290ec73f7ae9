#include "entry/RegistrationWindow.h"

#include "core/AppState.h"
#include "store/DataSource.h"

#include <QLabel>
#include <QVBoxLayout>

namespace onda {

RegistrationWindow::RegistrationWindow(AppState& state, QWidget* parent)
    : QWidget(parent), m_state(state), m_nprg(new DataSource(QStringLiteral("nprg"), this)),
      m_nprgSupp(new DataSource(QStringLiteral("nprgSupp"), this)),
      m_natl(new DataSource(QStringLiteral("natl"), this)), m_records(new DataSource(QStringLiteral("Records"), this))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Iscrizioni"));
    m_nprg->setRecordSource(QStringLiteral("nprg"));
    m_nprgSupp->setRecordSource(QStringLiteral("nprg"));
    m_natl->setRecordSource(QStringLiteral("natl"));
    m_records->setRecordSource(QStringLiteral("records"));

    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(QStringLiteral("Apri una manifestazione dalla finestra \"Scelta circuito e gara\"."), this);
    hint->setObjectName(QStringLiteral("lblIstruzioni"));
    hint->setWordWrap(true);
    layout->addWidget(hint);
    layout->addStretch();
}

RegistrationWindow::~RegistrationWindow() = default;

void RegistrationWindow::load()
{
    const QString competition = m_state.currentCompetition();
    if (competition.isEmpty())
        return;
    const QString table = QStringLiteral("nprg") + competition;
    m_nprg->setRecordSource(table);
    m_nprgSupp->setRecordSource(table);
    (void)m_nprg->refresh();
    (void)m_nprgSupp->refresh();
}

QList<DataSource*> RegistrationWindow::dataSources() const
{
    return {m_nprg, m_nprgSupp, m_natl, m_records};
}

} // namespace onda
