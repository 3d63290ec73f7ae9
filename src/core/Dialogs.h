#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QPrinter;
class QWidget;

namespace onda {

// Every message box, question, input box, save dialog and printer dialog of the
// program goes through this interface, so tests can script and record them.
class Dialogs {
public:
    enum class Answer { Ok, Cancel, Yes, No };
    enum class Icon { None, Information, Warning, Critical, Question };

    virtual ~Dialogs() = default;

    // An OK box.
    virtual void message(const QString& text, Icon icon = Icon::None, const QString& title = {}) = 0;
    // Yes/No question; defaultAnswer is the preselected button (Yes or No).
    virtual Answer askYesNo(const QString& text, Answer defaultAnswer, Icon icon = Icon::Question,
                            const QString& title = {}) = 0;
    // OK/Cancel question; defaultAnswer is Ok or Cancel.
    virtual Answer askOkCancel(const QString& text, Answer defaultAnswer, Icon icon = Icon::Warning,
                               const QString& title = {}) = 0;
    // Input box: the typed text, or nothing when cancelled.
    virtual std::optional<QString> inputText(const QString& prompt, const QString& title,
                                             const QString& initial = {}) = 0;
    // Save dialog: the chosen path, empty when cancelled. filter as "Text (*.txt)|*.txt|All (*.*)|*.*".
    virtual QString saveFileName(const QString& title, const QString& filter, const QString& proposedPath) = 0;
    // Open dialog: the chosen files (one at most unless `several`), empty when cancelled.
    virtual QStringList openFileNames(const QString& title, const QString& filter, bool several) = 0;
    // Printer dialog: true when the user confirmed; the printer is then set up.
    virtual bool choosePrinter(QPrinter& printer) = 0;

    // The window the dialogs are modal to.
    void setParentWindow(QWidget* parent) { m_parent = parent; }
    QWidget* parentWindow() const { return m_parent; }

private:
    QWidget* m_parent = nullptr;
};

// Converts "Desc|pattern|Desc|pattern" filters to the form Qt's file dialogs take.
QString qtFileFilter(const QString& pipeFilter);

} // namespace onda
