#include "service/ProgressWindow.h"

#include "core/AppState.h"
#include "core/Twips.h"

#include "ui/AccessibleNames.h"
#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

namespace onda {

ProgressWindow::ProgressWindow(AppState& state, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmCollegamento"));
    setWindowTitle(QStringLiteral("Collegamento con Ondaweb"));
    auto* layout = new QVBoxLayout(this);
    m_address = new QLabel(state.baseAddress, this);
    m_address->setObjectName(QStringLiteral("Label3"));
    exposeValue(m_address, QStringLiteral("Indirizzo"));
    layout->addWidget(m_address);
    for (int i = 0; i < 6; ++i) {
        auto* line = new QCheckBox(this);
        line->setObjectName(QStringLiteral("check1_%1").arg(i));
        // The lines report progress: the user reads them but does not tick them.
        line->setAttribute(Qt::WA_TransparentForMouseEvents);
        line->setFocusPolicy(Qt::NoFocus);
        line->hide();
        layout->addWidget(line);
        m_lines << line;
    }
    layout->addStretch();
}

QSize ProgressWindow::preferredSize() const {
    return {twipsToPixels(7710), twipsToPixels(3345)};
}

void ProgressWindow::SetStep(int index, const QString& caption, StepLook look) {
    QCheckBox* line = m_lines.value(index);
    if (!line)
        return;
    line->show();
    if (!caption.isEmpty())
        line->setText(caption);
    QFont font = line->font();
    if (look == StepLook::InProgress) {
        font.setBold(true);
    } else {
        line->setChecked(look == StepLook::Done);
        font.setBold(false);
    }
    line->setFont(font);
}

} // namespace onda
