#pragma once

#include "core/WindowHost.h"

#include <QList>
#include <QWidget>

namespace onda {

class AppState;
class DataSource;

// Form1: the registration window of the open competition.
class RegistrationWindow : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    explicit RegistrationWindow(AppState& state, QWidget* parent = nullptr);
    ~RegistrationWindow() override;

    QList<DataSource*> dataSources() const override;
    // Load step: the sources follow the open competition's registration table.
    void load() override;
    DataSource& registrations() const { return *m_nprg; }
    DataSource& registrationGridSource() const { return *m_nprgSupp; }
    DataSource& athletes() const { return *m_natl; }
    DataSource& records() const { return *m_records; }

private:
    AppState& m_state;
    DataSource* m_nprg;
    DataSource* m_nprgSupp;
    DataSource* m_natl;
    DataSource* m_records;
};

} // namespace onda
