#include "transfer/TransferExport.h"

#include "core/AppState.h"
#include "core/CompetitionChosen.h"
#include "core/Dialogs.h"
#include "core/Operation.h"
#include "core/SavePath.h"
#include "store/QueryCopy.h"
#include "store/Schema.h"
#include "store/SqlText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>

namespace onda {

namespace {

QString failureMessage(const QueryCopyResult& result, const QString& path, bool previousKept) {
    QString text;
    if (result.status.number == err::TableInUse) {
        text = QStringLiteral("Table in use ");
    } else {
        const int n = result.status.number;
        text = QStringLiteral("Errore non trattato in ImpostaProva ") + (n >= 0 ? QStringLiteral(" ") : QString()) +
               QString::number(n) + QLatin1Char(':') + QString::number(result.step);
    }
    // Nothing half-written is left behind: say which file the user still has.
    return text + QStringLiteral("\r\nIl file ") + QDir::toNativeSeparators(path) +
           (previousKept ? QStringLiteral(" non è stato modificato.") : QStringLiteral(" non è stato scritto."));
}

// Moves the complete file over the previous one in one step.
bool moveIntoPlace(const QString& from, const QString& to) {
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()), std::filesystem::path(to.toStdU16String()),
                            error);
    return !error;
}

} // namespace

TransferResult TransferExport::write(const QString& club, TransferPlace place) {
    const QString number = m_state.currentCompetition();
    QString path;
    if (place == TransferPlace::ProgramFolder) {
        path = m_state.programDirectory + QStringLiteral("transfer_") + number + QStringLiteral(".mdb");
    } else {
        path = chooseSavePath(m_state, QStringLiteral("Access files (*.mdb)|*.mdb|All Files (*.txt)|*.*"),
                              club + QLatin1Char('_') + number + QStringLiteral(".mdb"));
        if (path.isEmpty())
            return {};
    }
    const bool previous = QFileInfo::exists(path);
    if (previous && m_dialogs.askOkCancel(QStringLiteral("Attenzione stai cancellando il file ") + path,
                                          Dialogs::Answer::Cancel) != Dialogs::Answer::Ok)
        return {ExportOutcome::Kept, path, {}};

    // Written beside the target, so that the final move stays on one file system.
    const QFileInfo target(path);
    const QString partial = target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".part");
    QFile::remove(partial);
    QueryCopyResult result;
    const QString source = m_state.databasePath;
    const ConnectionOptions options = m_state.store.connectionOptions();
    waitFor([&] {
        result =
            CopyQueriesToNewDatabase(source,
                                     {{QStringLiteral("select * from [") + registrationTable(number) +
                                           QStringLiteral("] where soc=") + sqlQuoted(club),
                                       registrationTable(number)},
                                      {QStringLiteral("select * from manif where [Numero Prova]=") + sqlQuoted(number),
                                       QStringLiteral("manif")}},
                                     partial, options);
        if (result.status && !moveIntoPlace(partial, path)) {
            result.status = Status::of(err::DiskError, path);
            result.step = 6;
        }
    });
    if (!result.status) {
        QFile::remove(partial);
        const QString failure = failureMessage(result, path, previous);
        m_dialogs.message(failure, Dialogs::Icon::Critical);
        return {ExportOutcome::Failed, path, failure};
    }
    if (place == TransferPlace::Chosen)
        m_dialogs.message(QStringLiteral("Database registrato in ") + path);
    return {ExportOutcome::Written, path, {}};
}

FlowResult TransferExport::save() {
    const Operation operation;
    if (!operation)
        return FlowResult::cancelled();
    if (!competitionNumberGiven(m_state))
        return FlowResult::cancelled();
    // Every outcome has been told to the user by the export itself.
    const TransferResult written = write(m_state.club, TransferPlace::Chosen);
    switch (written.outcome) {
    case ExportOutcome::Written:
        return FlowResult::done(written.path);
    case ExportOutcome::Failed:
        return FlowResult::failed(written.message);
    default:
        return FlowResult::cancelled();
    }
}

} // namespace onda
