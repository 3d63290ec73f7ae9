#include "core/SavePath.h"

#include "core/AppState.h"
#include "core/Dialogs.h"

#include <QDir>
#include <QFileInfo>

namespace onda {

namespace {

// The canonical form of a path that may not exist yet: its folder's canonical path and its name.
QString canonicalPath(const QString& path) {
    const QFileInfo info(QDir::cleanPath(path));
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + QLatin1Char('/') + info.fileName();
}

} // namespace

bool isProgramDatabase(const QString& path, const QString& databasePath) {
    if (path.isEmpty() || databasePath.isEmpty())
        return false;
    return canonicalPath(path) == canonicalPath(databasePath);
}

QString chooseSavePath(AppState& state, const QString& filter, const QString& proposed) {
    const QString path = state.dialogs.saveFileName(QStringLiteral("Save"), filter, proposed);
    if (path.isEmpty())
        return {};
    if (isProgramDatabase(path, state.databasePath)) {
        state.dialogs.message(QStringLiteral("Non puoi salvare sul database del programma: scegli un altro nome"),
                              Dialogs::Icon::Warning);
        return {};
    }
    if (QFileInfo::exists(path) &&
        state.dialogs.askYesNo(QStringLiteral("Il file ") + path + QStringLiteral(" esiste. Vuoi sovrascriverlo ?"),
                               Dialogs::Answer::Yes) != Dialogs::Answer::Yes)
        return {};
    return path;
}

} // namespace onda
