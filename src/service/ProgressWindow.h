#pragma once

#include "core/WindowHost.h"

#include <QList>
#include <QWidget>

class QCheckBox;
class QLabel;

namespace onda {

class AppState;

// frmCollegamento: the steps of a service workflow, each unchecked, done or in progress.
class ProgressWindow : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    enum Look { Unchecked = 0, Done = 1, InProgress = 2 };

    explicit ProgressWindow(AppState& state, QWidget* parent = nullptr);

    QList<DataSource*> dataSources() const override { return {}; }
    QSize preferredSize() const override;

    // Shows line `index`; a caption that is not empty replaces the line's; value 2 makes the
    // caption bold and leaves the mark, 0 or 1 sets the mark and makes the caption plain.
    void SetStep(int index, const QString& caption, int value);
    QCheckBox* line(int index) const { return m_lines.value(index); }

private:
    QLabel* m_address = nullptr;
    QList<QCheckBox*> m_lines;
};

} // namespace onda
