#pragma once

#include "core/WindowHost.h"

#include <QWidget>

class QPlainTextEdit;

namespace onda {

class AppState;
class DataSource;

// frmNote: the club's note for the organiser of the open competition.
class NoteWindow : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    explicit NoteWindow(AppState& state, QWidget* parent = nullptr);
    ~NoteWindow() override;

    QList<DataSource*> dataSources() const override;
    // Reads the stored note into the box.
    void load() override;
    QSize preferredSize() const override;

    // "Registra": stores the box's text and closes the window.
    void save();

private:
    AppState& m_state;
    DataSource* m_manif;
    QPlainTextEdit* m_text = nullptr;
};

} // namespace onda
