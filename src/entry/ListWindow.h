#pragma once

#include "core/WindowHost.h"

#include <QWidget>

class QAbstractItemModel;
class QLabel;
class QTableView;

namespace onda {

class AppState;
class DataSource;

// A read-only list of the open competition's rows with a "Chiudi" button; the rows
// follow the open competition.
class ListWindow : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    ~ListWindow() override;

    QList<DataSource*> dataSources() const override;
    void load() override;
    QSize preferredSize() const override;
    DataSource& source() const { return *m_source; }

protected:
    ListWindow(AppState& state, const QString& objectName, const QString& caption, QWidget* parent);
    // The query for competition `number`.
    virtual QString query(const QString& number) const = 0;
    // What the rows of competition `number` need said above them; empty when nothing.
    virtual QString note(const QString& number) const;
    const QString& databasePath() const;

private:
    AppState& m_state;
    DataSource* m_source;
    QAbstractItemModel* m_model = nullptr;
    QTableView* m_grid = nullptr;
    QLabel* m_note = nullptr;
};

} // namespace onda
