#include "ui/GridKeys.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QKeyEvent>

namespace onda {

namespace {

class GridKeys : public QObject {
public:
    explicit GridKeys(QAbstractItemView* grid) : QObject(grid), m_grid(grid) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_grid || m_grid->contextMenuPolicy() != Qt::CustomContextMenu)
            return false;
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool menuKey = key->key() == Qt::Key_Menu && key->modifiers() == Qt::NoModifier;
            const bool shiftF10 = key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier;
            if (!menuKey && !shiftF10)
                return false;
            openMenu();
            return true;
        }
        // The toolkit's own menu-key request points at the grid's corner, not at the current cell.
        if (event->type() == QEvent::ContextMenu &&
            static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
            openMenu();
            return true;
        }
        return false;
    }

private:
    void openMenu() {
        // Without a current cell there is no row for the menu to act on.
        const QModelIndex current = m_grid->currentIndex();
        if (current.isValid())
            emit m_grid->customContextMenuRequested(m_grid->visualRect(current).center());
    }

    QAbstractItemView* m_grid;
};

} // namespace

void useGridKeys(QAbstractItemView* grid) {
    grid->setTabKeyNavigation(false);
    grid->installEventFilter(new GridKeys(grid));
}

} // namespace onda
