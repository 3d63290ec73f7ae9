#pragma once

#include "core/WindowHost.h"
#include "service/ServiceFeedback.h"

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
    explicit ProgressWindow(AppState& state, QWidget* parent = nullptr);

    QList<DataSource*> dataSources() const override { return {}; }
    QSize preferredSize() const override;

    // Shows line `index`; a caption that is not empty replaces the line's; InProgress makes the
    // caption bold and leaves the mark, the others set the mark and make the caption plain.
    void SetStep(int index, const QString& caption, StepLook look);
    QCheckBox* line(int index) const { return m_lines.value(index); }

private:
    QLabel* m_address = nullptr;
    QList<QCheckBox*> m_lines;
};

} // namespace onda
