#include "entry/RaceListWindow.h"

namespace onda {

RaceListWindow::RaceListWindow(AppState& state, QWidget* parent)
    : ListWindow(state, QStringLiteral("frmElencoGare"), QStringLiteral("Gare presenti nella manifestazione"), parent) {
}

QString RaceListWindow::query(const QString& number) const {
    return QStringLiteral("SELECT programmi.OrdineGara, programmi.Gara, programmi.Categoria, programmi.Sesso, "
                          "programmi.Anno FROM programmi where ManifID=") +
           number + QStringLiteral(" order by ordineGara;");
}

} // namespace onda
