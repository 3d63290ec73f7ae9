#include "entry/NoteWindow.h"

#include "core/AppState.h"
#include "core/WindowHost.h"
#include "entry/CompetitionNote.h"
#include "store/Database.h"
#include "ui/Unload.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace onda {

NoteWindow::NoteWindow(AppState& state, WindowHost* host, QWidget* parent)
    : QWidget(parent), m_state(state), m_host(host), m_db(std::make_unique<Database>()) {
    setObjectName(QStringLiteral("frmNote"));
    setWindowTitle(QStringLiteral("Note"));

    auto* layout = new QVBoxLayout(this);
    auto* instruction = new QLabel(QStringLiteral("Questa nota fara' parte integrante delle iscrizioni e verra' "
                                                  "visualizzata dall'organizzatore della manifestazione. Puoi scrivere "
                                                  "la nota e poi cliccare su Registra per salvarla"),
                                   this);
    instruction->setObjectName(QStringLiteral("Label1"));
    instruction->setWordWrap(true);
    layout->addWidget(instruction);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("Text1"));
    m_text->setAccessibleName(QStringLiteral("Nota"));
    m_text->setTabChangesFocus(true);
    instruction->setBuddy(m_text);
    layout->addWidget(m_text, 1);

    auto* buttons = new QHBoxLayout;
    auto* save = new QPushButton(QStringLiteral("&Registra"), this);
    save->setObjectName(QStringLiteral("cmdRegistra"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(save, &QPushButton::clicked, this, &NoteWindow::save);
    connect(cancel, &QPushButton::clicked, this, [this] { unloadChild(this); });
    connect(&m_state.session, &CompetitionSession::changed, this, &NoteWindow::followCompetition);
}

NoteWindow::~NoteWindow() = default;

QList<DataSource*> NoteWindow::dataSources() const {
    return {};
}

QSize NoteWindow::preferredSize() const {
    return {480, 320};
}

void NoteWindow::load() {
    read(m_state.currentCompetition());
}

void NoteWindow::showNote(const QString& number) {
    read(number);
    if (m_host)
        m_host->showChild(this);
}

void NoteWindow::read(const QString& number) {
    m_number = number;
    m_followed = m_state.currentCompetition();
    const QString note = readCompetitionNote(database(), number, m_state.userId).value_or(QString());
    // CompetitionNote is the program's competition's; a note of another is only shown.
    if (number == m_followed)
        m_state.changeCompetition([&note](Competition& c) { c.note = note; });
    m_text->setPlainText(note);
}

Database& NoteWindow::database() {
    // A file that cannot be opened reads no note and stores none, as for a missing row.
    if (!m_db->isOpen() || m_db->path() != m_state.databasePath)
        (void)m_db->openShared(m_state.databasePath);
    return *m_db;
}

void NoteWindow::followCompetition() {
    // A note left open must not be stored as another competition's.
    if (m_state.currentCompetition() != m_followed)
        unloadChild(this);
}

void NoteWindow::save() {
    const QString note = m_text->toPlainText();
    const bool stored = saveCompetitionNote(database(), m_number, m_state.userId, note);
    m_state.changeCompetition([&](Competition& c) {
        // The note read later (the mail) is the one stored; the mark shows what was typed.
        if (stored && m_number == c.number)
            c.note = note;
        c.notePresent = isNotePresent(note);
    });
    unloadChild(this);
}

} // namespace onda
