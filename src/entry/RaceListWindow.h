#pragma once

#include "entry/ListWindow.h"

namespace onda {

// The races of the open competition, in programme order.
class RaceListWindow : public ListWindow {
    Q_OBJECT
public:
    explicit RaceListWindow(AppState& state, QWidget* parent = nullptr);

protected:
    QString query(const QString& number) const override;
};

} // namespace onda
