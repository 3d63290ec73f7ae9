#include "transfer/TransferExport.h"

#include "core/AppState.h"
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

ExportOutcome ExportTransferDatabase(AppState& state, const QString& club, QString& mode, QString& folder,
                                     QString& file) {
    const QString number = state.currentCompetition();
    QString path;
    const bool fixedPlace = mode == QLatin1String("SERVER") || mode == QLatin1String("MAPI");
    if (fixedPlace) {
        folder = state.programDirectory;
        file = QStringLiteral("transfer_") + number + QStringLiteral(".mdb");
        path = folder + file;
        mode = path;
    } else {
        path = chooseSavePath(state, QStringLiteral("Access files (*.mdb)|*.mdb|All Files (*.txt)|*.*"),
                              club + QLatin1Char('_') + number + QStringLiteral(".mdb"));
        if (path.isEmpty())
            return ExportOutcome::Cancelled;
    }
    const bool previous = QFileInfo::exists(path);
    if (previous && state.dialogs.askOkCancel(QStringLiteral("Attenzione stai cancellando il file ") + path,
                                              Dialogs::Answer::Cancel) != Dialogs::Answer::Ok)
        return ExportOutcome::Kept;

    // Written beside the target, so that the final move stays on one file system.
    const QFileInfo target(path);
    const QString partial = target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".part");
    QFile::remove(partial);
    QueryCopyResult result;
    const QString source = state.databasePath;
    const ConnectionOptions options = state.store.connectionOptions();
    waitFor([&] {
        result = CopyQueryToDatabase(source,
                                     QStringLiteral("select * from [") + registrationTable(number) +
                                         QStringLiteral("] where soc=") + sqlQuoted(club),
                                     partial, registrationTable(number), 1, false, options);
        if (result.status)
            result = CopyQueryToDatabase(
                source, QStringLiteral("select * from manif where [Numero Prova]=") + sqlQuoted(number), partial,
                QStringLiteral("manif"), 1, true, options);
        if (result.status && !moveIntoPlace(partial, path)) {
            result.status = Status::of(err::DiskError, path);
            result.step = 6;
        }
    });
    if (!result.status) {
        QFile::remove(partial);
        state.dialogs.message(failureMessage(result, path, previous), Dialogs::Icon::Critical);
        return ExportOutcome::Failed;
    }
    if (!fixedPlace)
        state.dialogs.message(QStringLiteral("Database registrato in ") + path);
    return ExportOutcome::Written;
}

void SaveTransferDatabase(AppState& state) {
    const Operation operation;
    if (!operation)
        return;
    if (state.currentCompetition().isEmpty()) {
        state.dialogs.message(QStringLiteral("Inserire il numero di prova"));
        return;
    }
    QString mode;
    QString folder;
    QString file;
    // Every outcome has been told to the user by the export itself.
    (void)ExportTransferDatabase(state, state.club, mode, folder, file);
}

} // namespace onda
