#pragma once

#include "app/Dialogs.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <optional>

// Dialogs for tests: records every dialog in order and answers from queues.
// A question with no queued answer is recorded as unexpected and answered No/Cancel.
class ScriptedDialogs final : public onda::Dialogs {
public:
    enum class Kind { Message, YesNo, OkCancel, Input, Save, Printer };
    struct Shown {
        Kind kind;
        QString text;
        Answer defaultAnswer = Answer::Ok;
        Icon icon = Icon::None;
        QString title;
    };

    void queueAnswer(Answer answer) { m_answers.enqueue(answer); }
    void queueInput(std::optional<QString> text) { m_inputs.enqueue(std::move(text)); }
    void queueSaveFileName(const QString& path) { m_saveNames.enqueue(path); }
    void queuePrinter(bool accept) { m_printers.enqueue(accept); }

    // What was shown since the last take, and forgets it.
    QList<Shown> take();
    QStringList takeTexts();
    // Empty when every dialog was expected and every queued answer used; otherwise says what went wrong.
    QString problems() const;

    void message(const QString& text, Icon icon, const QString& title) override;
    Answer askYesNo(const QString& text, Answer defaultAnswer, Icon icon, const QString& title) override;
    Answer askOkCancel(const QString& text, Answer defaultAnswer, Icon icon, const QString& title) override;
    std::optional<QString> inputText(const QString& prompt, const QString& title, const QString& initial) override;
    QString saveFileName(const QString& title, const QString& filter, const QString& proposedPath) override;
    bool choosePrinter(QPrinter& printer) override;

    QString lastSaveFilter;
    QString lastProposedPath;

private:
    Answer ask(Kind kind, const QString& text, Answer defaultAnswer, Icon icon, const QString& title,
               Answer unexpectedAnswer);

    QList<Shown> m_shown;
    QStringList m_unexpected;
    QQueue<Answer> m_answers;
    QQueue<std::optional<QString>> m_inputs;
    QQueue<QString> m_saveNames;
    QQueue<bool> m_printers;
};
