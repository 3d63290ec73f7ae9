#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/TransferExport.h"
#include "ftp/FTP.h"
#include "service/OnlineSession.h"
#include "service/ProgressWindow.h"
#include "service/UploadTarget.h"

namespace onda {

void OnlineSession::UploadRegistrations() {
    const QString number = m_state.currentCompetition();
    // Without a competition the service would be told to import competition 0.
    if (number.isEmpty()) {
        m_state.dialogs.message(QStringLiteral("Inserire il numero di prova"));
        return;
    }
    setBusy(true);
    SetStep(0, QStringLiteral("Verifico la userid/PIN sul sito"), ProgressWindow::Unchecked);
    SetStep(1, QStringLiteral("Creo un file temporaneo"), ProgressWindow::Unchecked);
    SetStep(2, QStringLiteral("Deposito il file sul server"), ProgressWindow::Unchecked);
    SetStep(3, QStringLiteral("Do' istruzioni al server di importare il file"), ProgressWindow::Unchecked);
    SetStep(0, {}, ProgressWindow::InProgress);
    if (!login()) {
        closeProgress();
        restoreBusy();
        return;
    }
    SetStep(0, {}, ProgressWindow::Done);
    if (m_state.dialogs.askYesNo(
            QStringLiteral("Attenzione: questo comando sostituirà sul server tutte le iscrizioni della manifestazione "
                           "selezionata con quelle sul tuo PC relative alla gara corrente.") +
                QStringLiteral("\r\n\r\nVuoi procedere"),
            Dialogs::Answer::Yes) != Dialogs::Answer::Yes) {
        restoreBusy();
        return;
    }

    SetStep(1, {}, ProgressWindow::InProgress);
    QString mode = QStringLiteral("SERVER");
    QString folder;
    QString file;
    // A file that could not be written has been reported; sending an older one in its place
    // would replace the club's registrations on the server with stale ones.
    if (ExportTransferDatabase(m_state, m_state.club, mode, folder, file) == ExportOutcome::Failed) {
        restoreBusy();
        return;
    }
    SetStep(1, {}, ProgressWindow::Done);
    SetStep(2, {}, ProgressWindow::InProgress);
    processEvents();

    const UploadTarget target = uploadTargetFor(m_client.baseAddress());
    QString error;
    {
        FTP ftp;
        if (ftp.FTPInit(target.host, target.userName, target.password, 0, 0, {}, error)) {
            (void)ftp.FTPPut(folder, file, kUploadFolder, kUploadName, error);
            SetStep(2, {}, ProgressWindow::Done);
            SetStep(3, {}, ProgressWindow::InProgress);
            processEvents();
        }
        if (error.isEmpty())
            ftp.FTPClose();
    }
    if (!error.isEmpty()) {
        m_state.dialogs.message(error);
        restoreBusy();
        return;
    }

    const ServiceReply<QString> reply = m_client.importOrder({m_state.userId, m_state.pin, number});
    SetStep(3, {}, ProgressWindow::Done);
    switch (reply.verdict) {
    case AnswerVerdict::Refused: // "Attenzione: " and the service's text already shown
        closeProgress();
        break;
    case AnswerVerdict::Invalid: // the connection message already shown
        break;
    case AnswerVerdict::Valid:
        if (importAccepted(reply.value)) {
            m_state.dialogs.message(QStringLiteral("Iscrizioni esportate correttamente"));
            closeProgress();
        } else {
            m_state.dialogs.message(QStringLiteral("Errore sul server"));
        }
        break;
    }
    setStatusText({});
    restoreBusy();
}

} // namespace onda
