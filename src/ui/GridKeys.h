#pragma once

class QAbstractItemView;

namespace onda {

// A grid as the keyboard reaches it: Tab leaves it instead of walking its cells, and the
// Menu key and Shift+F10 open its pop-up menu on the current cell, as the right button does.
void useGridKeys(QAbstractItemView* grid);

} // namespace onda
