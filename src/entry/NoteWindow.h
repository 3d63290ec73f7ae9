#pragma once

#include "core/WindowHost.h"

#include <QWidget>

#include <memory>

class QPlainTextEdit;

namespace onda {

class AppState;
class Database;
class DataSource;

// frmNote: the club's note for the organiser of one competition. It closes when the
// program moves on to another competition.
class NoteWindow : public QWidget, public ChildWindow, public NoteDesk {
    Q_OBJECT
public:
    // `host`: the main window, through which this window reaches the others; none in tests.
    explicit NoteWindow(AppState& state, WindowHost* host = nullptr, QWidget* parent = nullptr);
    ~NoteWindow() override;

    QList<DataSource*> dataSources() const override;
    // Reads the stored note of the open competition into the box.
    void load() override;
    QSize preferredSize() const override;

    void showNote(const QString& number) override;
    // "Registra": stores the box's text as the note of the competition shown, and closes.
    void save();

private:
    void read(const QString& number);
    void followCompetition();
    Database& database();

    AppState& m_state;

    WindowHost* m_host;
    std::unique_ptr<Database> m_db;
    QPlainTextEdit* m_text = nullptr;
    QString m_number;   // the competition whose note is shown
    QString m_followed; // the program's competition when the note was read
};

} // namespace onda
