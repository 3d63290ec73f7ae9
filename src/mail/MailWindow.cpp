#include "mail/MailWindow.h"

#include "reports/ReportText.h"

#include "core/AppState.h"
#include "core/CompetitionChosen.h"
#include "core/Dialogs.h"
#include "mail/MailSettingsDialog.h"
#include "mail/RegistrationMail.h"
#include "ui/Unload.h"

#include "ui/AccessibleNames.h"
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace onda {

std::optional<QString> transferForMail(AppState& state, const TransferWriter& writeTransfer) {
    if (!clubAndCompetitionChosen(state))
        return std::nullopt;
    QString path;
    if (!writeTransfer || !writeTransfer(path))
        return std::nullopt;
    return path;
}

namespace {

QFont fixedPitch() {
    QFont font(QStringLiteral("Courier New"), 9);
    font.setStyleHint(QFont::TypeWriter);
    if (!QFontInfo(font).fixedPitch())
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    return font;
}

} // namespace

MailWindow::MailWindow(AppState& state, QWidget* parent)
    : QWidget(parent), m_state(state), m_flow(state.dialogs, [this] {
          MailSettings settings = MailSettings::load();
          // The first time, the user says where the mail goes out.
          if (!settings.isComplete() && MailSettingsDialog::edit(this))
              settings = MailSettings::load();
          return settings;
      }) {
    setObjectName(QStringLiteral("frmEmail"));
    setWindowTitle(QStringLiteral("Invia Manifestazione via e_mail"));

    m_to = new QLineEdit(this);
    m_to->setObjectName(QStringLiteral("Text1"));
    m_copy = new QLineEdit(this);
    m_copy->setObjectName(QStringLiteral("Text2"));
    m_subject = new QLineEdit(this);
    m_subject->setObjectName(QStringLiteral("Text3"));
    m_attachment = new QLabel(this);
    m_attachment->setObjectName(QStringLiteral("Label3"));
    m_attachment->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_attachment->setTextFormat(Qt::PlainText);
    m_summaryLabel = new QLabel(this);
    m_summaryLabel->setObjectName(QStringLiteral("Label2"));
    m_summaryLabel->setTextFormat(Qt::PlainText);
    m_summaryLabel->setFont(fixedPitch());
    m_summaryLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    exposeValue(m_summaryLabel, QStringLiteral("Riepilogo"));
    m_additional = new QPlainTextEdit(this);
    m_additional->setObjectName(QStringLiteral("Text4"));
    m_additional->setAccessibleName(QStringLiteral("Messaggio addizionale"));
    m_additional->setTabChangesFocus(true);
    m_additional->setPlaceholderText(QStringLiteral("Messaggio addizionale"));
    m_complete = new QPlainTextEdit(this);
    m_complete->setObjectName(QStringLiteral("Label4"));
    m_complete->setReadOnly(true);
    m_complete->setFont(fixedPitch());
    m_complete->setAccessibleName(QStringLiteral("Testo del messaggio"));
    m_complete->setTabChangesFocus(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(captionLabel(QStringLiteral("&Destinatario:"), m_to, this), 0, 0);
    grid->addWidget(m_to, 0, 1);
    grid->addWidget(captionLabel(QStringLiteral("&Copia a:"), m_copy, this), 1, 0);
    grid->addWidget(m_copy, 1, 1);
    grid->addWidget(captionLabel(QStringLiteral("&Soggetto:"), m_subject, this), 2, 0);
    grid->addWidget(m_subject, 2, 1);
    auto* attachmentCaption = new QLabel(QStringLiteral("Allegato"), this);
    exposeValue(m_attachment, QStringLiteral("Allegato"));
    grid->addWidget(attachmentCaption, 3, 0);
    grid->addWidget(m_attachment, 3, 1);
    grid->addWidget(m_summaryLabel, 4, 0, 1, 2);
    grid->addWidget(m_additional, 5, 0, 1, 2);
    grid->addWidget(m_complete, 6, 0, 1, 2);
    grid->setRowStretch(5, 1);
    grid->setRowStretch(6, 2);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    auto* settings = new QPushButton(QStringLiteral("I&mpostazioni posta..."), this);
    settings->setObjectName(QStringLiteral("cmdSettings"));
    auto* sendButton = new QPushButton(QStringLiteral("&Invia"), this);
    sendButton->setObjectName(QStringLiteral("Command1"));
    auto* cancel = new QPushButton(QStringLiteral("&Rinuncia"), this);
    cancel->setObjectName(QStringLiteral("Command2"));
    buttons->addWidget(settings);
    buttons->addStretch();
    buttons->addWidget(sendButton);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 7, 0, 1, 2);

    setTabOrder(m_to, m_copy);
    setTabOrder(m_copy, m_subject);
    setTabOrder(m_subject, m_additional);
    setTabOrder(m_additional, m_complete);
    setTabOrder(m_complete, settings);
    setTabOrder(settings, sendButton);
    setTabOrder(sendButton, cancel);

    connect(sendButton, &QPushButton::clicked, this, &MailWindow::send);
    connect(cancel, &QPushButton::clicked, this, [this] { unloadChild(this); });
    connect(settings, &QPushButton::clicked, this, [this] {
        // New settings take effect at the next log-on.
        if (MailSettingsDialog::edit(this))
            m_flow.settingsChanged();
    });
}

MailWindow::~MailWindow() = default;

QList<DataSource*> MailWindow::dataSources() const {
    return {}; // the list is read from the program's database when the window is prepared
}

QSize MailWindow::preferredSize() const {
    return {640, 620};
}

void MailWindow::prepare(const QString& attachmentPath) {
    const QString number = m_state.currentCompetition();
    m_to->clear();
    m_copy->clear();
    m_subject->setText(mailtext::subject(number));
    m_attachment->setText(attachmentPath);
    m_summary = mailtext::summary(m_state.userId, m_state.competition());
    m_summaryLabel->setText(QString(m_summary).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    const Competition& competition = m_state.competition();
    m_list = registrationListText(m_state.databasePath, {m_state.club, number, competition.name, competition.date});
    m_complete->setPlainText(
        QString(mailtext::preview(m_summary, m_list)).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    m_additional->clear();
}

void MailWindow::send() {
    m_flow.send({m_to->text(), m_copy->text(), m_subject->text(), m_additional->toPlainText(), m_attachment->text(),
                 m_summary, m_list});
}

} // namespace onda
