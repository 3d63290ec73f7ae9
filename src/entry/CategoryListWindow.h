#pragma once

#include "entry/ListWindow.h"

namespace onda {

// The categories of the open competition, in table order.
class CategoryListWindow : public ListWindow {
    Q_OBJECT
public:
    explicit CategoryListWindow(AppState& state, QWidget* parent = nullptr);

protected:
    QString query(const QString& number) const override;
    QString note(const QString& number) const override;
};

} // namespace onda
