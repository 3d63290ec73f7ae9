#include "ScriptedDialogs.h"

#include <QPrinter>
#include <QTest>

QList<ScriptedDialogs::Shown> ScriptedDialogs::take() {
    return std::exchange(m_shown, {});
}

QStringList ScriptedDialogs::takeTexts() {
    QStringList texts;
    for (const Shown& s : take())
        texts << s.text;
    return texts;
}

QString ScriptedDialogs::problems() const {
    QStringList out;
    for (const QString& u : m_unexpected)
        out << QStringLiteral("unexpected dialog: ") + u;
    for (const Shown& s : m_shown)
        out << QStringLiteral("dialog not checked by the test: ") + s.text;
    if (!m_yesNo.isEmpty() || !m_okCancel.isEmpty() || !m_inputs.isEmpty() || !m_saveNames.isEmpty() ||
        !m_openNames.isEmpty() || !m_printers.isEmpty())
        out << QStringLiteral("queued answers left unused");
    return out.join(QLatin1Char('\n'));
}

void ScriptedDialogs::reset() {
    m_shown.clear();
    m_unexpected.clear();
    m_yesNo.clear();
    m_okCancel.clear();
    m_inputs.clear();
    m_saveNames.clear();
    m_openNames.clear();
    m_printers.clear();
}

void ScriptedDialogs::record(const Shown& shown) {
    m_shown.append(shown);
    if (onShown)
        onShown(shown);
}

void ScriptedDialogs::unexpected(const QString& what) {
    m_unexpected << what;
    // Fail where it happens, so the test's own trace shows the step that opened it.
    QTest::qFail(qPrintable(QStringLiteral("unexpected dialog: ") + what), __FILE__, __LINE__);
}

void ScriptedDialogs::message(const QString& text, Icon icon, const QString& title) {
    record({Kind::Message, text, Answer::Ok, icon, title, {}, {}});
}

ScriptedDialogs::Answer ScriptedDialogs::askYesNo(const QString& text, Answer defaultAnswer, Icon icon,
                                                  const QString& title) {
    record({Kind::YesNo, text, defaultAnswer, icon, title, {}, {}});
    if (m_yesNo.isEmpty()) {
        unexpected(text);
        return Answer::No;
    }
    return m_yesNo.dequeue();
}

ScriptedDialogs::Answer ScriptedDialogs::askOkCancel(const QString& text, Answer defaultAnswer, Icon icon,
                                                     const QString& title) {
    record({Kind::OkCancel, text, defaultAnswer, icon, title, {}, {}});
    if (m_okCancel.isEmpty()) {
        unexpected(text);
        return Answer::Cancel;
    }
    return m_okCancel.dequeue();
}

std::optional<QString> ScriptedDialogs::inputText(const QString& prompt, const QString& title, const QString& initial) {
    record({Kind::Input, prompt, Answer::Ok, Icon::None, title, {}, initial});
    if (m_inputs.isEmpty()) {
        unexpected(prompt);
        return std::nullopt;
    }
    return m_inputs.dequeue();
}

QString ScriptedDialogs::saveFileName(const QString& title, const QString& filter, const QString& proposedPath) {
    record({Kind::Save, title, Answer::Ok, Icon::None, title, filter, proposedPath});
    if (m_saveNames.isEmpty()) {
        unexpected(title);
        return {};
    }
    return m_saveNames.dequeue();
}

QStringList ScriptedDialogs::openFileNames(const QString& title, const QString& filter, bool several) {
    record({Kind::Open, title, Answer::Ok, Icon::None, title, filter, several ? QStringLiteral("*") : QString()});
    if (m_openNames.isEmpty()) {
        unexpected(title);
        return {};
    }
    return m_openNames.dequeue();
}

bool ScriptedDialogs::choosePrinter(QPrinter& printer) {
    record({Kind::Printer, QStringLiteral("Print"), Answer::Ok, Icon::None, {}, {}, {}});
    if (m_printers.isEmpty()) {
        unexpected(QStringLiteral("Print"));
        return false;
    }
    const QString pdf = m_printers.dequeue();
    if (pdf.isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
}
