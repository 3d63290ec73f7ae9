#pragma once

#include "core/WindowHost.h"
#include "mail/MailFlow.h"

#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace onda {

class AppState;
class DataSource;

// Writes the transfer file of the current competition for the mail. True with the path of
// the file to attach; false when there is none to attach (the export failed or was refused).
using TransferWriter = std::function<bool(QString& path)>;

// "Invia e-mail...": the club and competition checked, then the transfer file written. The path
// to attach, for the mail window to be prepared with; nothing when there is none (the user was
// told why).
std::optional<QString> transferForMail(AppState& state, const TransferWriter& writeTransfer);

// The mail window: recipients, subject, summary and additional message of the
// registration mail, sent through the user's mail server with the transfer file attached.
class MailWindow : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    explicit MailWindow(AppState& state, QWidget* parent = nullptr);
    ~MailWindow() override;

    QList<DataSource*> dataSources() const override;
    QSize preferredSize() const override;

    // Empties the boxes and shows the current competition's summary and registration list,
    // with `attachmentPath` as the attachment.
    void prepare(const QString& attachmentPath);

private:
    void send();

    AppState& m_state;
    MailFlow m_flow;
    QString m_summary;
    QString m_list;
    QLineEdit* m_to;
    QLineEdit* m_copy;
    QLineEdit* m_subject;
    QLabel* m_attachment;
    QLabel* m_summaryLabel;
    QPlainTextEdit* m_additional;
    QPlainTextEdit* m_complete;
};

} // namespace onda
