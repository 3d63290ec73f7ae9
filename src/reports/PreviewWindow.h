#pragma once

#include "core/WindowHost.h"

#include <QWidget>

class QPrinter;
class QTextEdit;

namespace onda {

class AppState;

// frmPrt: the report in a read-only box of fixed-pitch text that fills the window.
class PreviewWindow : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    explicit PreviewWindow(AppState& state, QWidget* parent = nullptr);
    ~PreviewWindow() override;

    QList<DataSource*> dataSources() const override { return {}; }
    QSize preferredSize() const override;

    void setReportText(const QString& text);
    QString reportText() const;
    // Prints the whole text in the box's own font.
    void print(QPrinter& printer) const;

private:
    QTextEdit* m_text = nullptr;
};

} // namespace onda
