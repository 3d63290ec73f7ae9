#include "entry/CategoryListWindow.h"

#include "lenex/LenexData.h"

namespace onda {

CategoryListWindow::CategoryListWindow(AppState& state, QWidget* parent)
    : ListWindow(state, QStringLiteral("frmCategorie"), QStringLiteral("Categorie definite nella manifestazione"),
                 parent) {}

QString CategoryListWindow::query(const QString& number) const {
    return QStringLiteral("SELECT categoria,sesso,annoini,annofin from categorie where ManifID=") + number;
}

QString CategoryListWindow::note(const QString& number) const {
    return lenex::categoriesNote(databasePath(), number);
}

} // namespace onda
