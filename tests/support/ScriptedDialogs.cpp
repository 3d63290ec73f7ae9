#include "ScriptedDialogs.h"

QList<ScriptedDialogs::Shown> ScriptedDialogs::take()
{
    return std::exchange(m_shown, {});
}

QStringList ScriptedDialogs::takeTexts()
{
    QStringList texts;
    for (const Shown& s : take())
        texts << s.text;
    return texts;
}

QString ScriptedDialogs::problems() const
{
    QStringList out;
    for (const QString& u : m_unexpected)
        out << QStringLiteral("unexpected dialog: ") + u;
    if (!m_shown.isEmpty()) {
        for (const Shown& s : m_shown)
            out << QStringLiteral("dialog not checked by the test: ") + s.text;
    }
    if (!m_answers.isEmpty() || !m_inputs.isEmpty() || !m_saveNames.isEmpty() || !m_printers.isEmpty())
        out << QStringLiteral("queued answers left unused");
    return out.join(QLatin1Char('\n'));
}

void ScriptedDialogs::message(const QString& text, Icon icon, const QString& title)
{
    m_shown.append({Kind::Message, text, Answer::Ok, icon, title});
}

ScriptedDialogs::Answer ScriptedDialogs::ask(Kind kind, const QString& text, Answer defaultAnswer, Icon icon,
                                             const QString& title, Answer unexpectedAnswer)
{
    m_shown.append({kind, text, defaultAnswer, icon, title});
    if (m_answers.isEmpty()) {
        m_unexpected << text;
        return unexpectedAnswer;
    }
    return m_answers.dequeue();
}

ScriptedDialogs::Answer ScriptedDialogs::askYesNo(const QString& text, Answer defaultAnswer, Icon icon,
                                                  const QString& title)
{
    return ask(Kind::YesNo, text, defaultAnswer, icon, title, Answer::No);
}

ScriptedDialogs::Answer ScriptedDialogs::askOkCancel(const QString& text, Answer defaultAnswer, Icon icon,
                                                     const QString& title)
{
    return ask(Kind::OkCancel, text, defaultAnswer, icon, title, Answer::Cancel);
}

std::optional<QString> ScriptedDialogs::inputText(const QString& prompt, const QString& title, const QString&)
{
    m_shown.append({Kind::Input, prompt, Answer::Ok, Icon::None, title});
    if (m_inputs.isEmpty()) {
        m_unexpected << prompt;
        return std::nullopt;
    }
    return m_inputs.dequeue();
}

QString ScriptedDialogs::saveFileName(const QString& title, const QString& filter, const QString& proposedPath)
{
    m_shown.append({Kind::Save, title, Answer::Ok, Icon::None, title});
    lastSaveFilter = filter;
    lastProposedPath = proposedPath;
    if (m_saveNames.isEmpty()) {
        m_unexpected << title;
        return {};
    }
    return m_saveNames.dequeue();
}

bool ScriptedDialogs::choosePrinter(QPrinter&)
{
    m_shown.append({Kind::Printer, QStringLiteral("printer"), Answer::Ok, Icon::None, {}});
    if (m_printers.isEmpty()) {
        m_unexpected << QStringLiteral("printer");
        return false;
    }
    return m_printers.dequeue();
}
