#pragma once

#include "core/Dialogs.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

// Dialogs for tests: records every dialog in order and answers from one queue per kind.
// A dialog with no queued answer fails the running test at once and is answered No/Cancel.
class ScriptedDialogs final : public onda::Dialogs {
public:
    enum class Kind { Message, YesNo, OkCancel, Input, Save, Open, Printer };
    struct Shown {
        Kind kind;
        QString text; // the message, the question, the input prompt or the save dialog's title
        Answer defaultAnswer = Answer::Ok;
        Icon icon = Icon::None;
        QString title;
        QString filter;  // save dialog
        QString initial; // input box default, save dialog proposed path
    };

    void queueYesNo(Answer answer) { m_yesNo.enqueue(answer); }
    // Answers to the coming questions, a letter each: 'Y' Yes, any other No.
    void queueYesNo(const QString& answers);
    void queueOkCancel(Answer answer) { m_okCancel.enqueue(answer); }
    void queueInput(std::optional<QString> text) { m_inputs.enqueue(std::move(text)); }
    void queueSaveFileName(const QString& path) { m_saveNames.enqueue(path); }
    void queueOpenFileNames(const QStringList& paths) { m_openNames.enqueue(paths); }
    // The printer dialog confirmed, printing to a PDF at pdfPath; an empty path cancels it.
    void queuePrinterPdf(const QString& pdfPath) { m_printers.enqueue(pdfPath); }

    // Called as each dialog opens, before it is answered: a test looks at the windows then.
    std::function<void(const Shown&)> onShown;

    // What was shown since the last take, and forgets it.
    QList<Shown> take() { return std::exchange(m_shown, {}); }
    QStringList takeTexts();
    // The texts with each question marked by its default button: "?Y text" or "?N text".
    QStringList takeMarked();
    // Empty when every dialog was expected and checked and every queued answer used.
    QString problems() const;
    void reset();

    void message(const QString& text, Icon icon, const QString& title) override;
    Answer askYesNo(const QString& text, Answer defaultAnswer, Icon icon, const QString& title) override;
    Answer askOkCancel(const QString& text, Answer defaultAnswer, Icon icon, const QString& title) override;
    std::optional<QString> inputText(const QString& prompt, const QString& title, const QString& initial) override;
    QString saveFileName(const QString& title, const QString& filter, const QString& proposedPath) override;
    QStringList openFileNames(const QString& title, const QString& filter, bool several) override;
    bool choosePrinter(QPrinter& printer) override;

private:
    void record(const Shown& shown);
    void unexpected(const QString& what);
    // Records `shown` and takes its answer from `queue`; `none` when nothing is queued.
    template <class T> T answer(QQueue<T>& queue, const Shown& shown, T none);

    QList<Shown> m_shown;
    QStringList m_unexpected;
    QQueue<Answer> m_yesNo;
    QQueue<Answer> m_okCancel;
    QQueue<std::optional<QString>> m_inputs;
    QQueue<QString> m_saveNames;
    QQueue<QStringList> m_openNames;
    QQueue<QString> m_printers;
};
