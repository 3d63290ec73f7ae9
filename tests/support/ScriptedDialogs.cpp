#include "ScriptedDialogs.h"

#include <QPrinter>
#include <QTest>

QStringList ScriptedDialogs::takeTexts() {
    QStringList texts;
    for (const Shown& s : take())
        texts << s.text;
    return texts;
}

QStringList ScriptedDialogs::takeMarked() {
    QStringList texts;
    for (const Shown& s : take())
        texts << (s.kind != Kind::YesNo ? QString() : QLatin1String(s.defaultAnswer == Answer::Yes ? "?Y " : "?N ")) +
                     s.text;
    return texts;
}

void ScriptedDialogs::queueYesNo(const QString& answers) {
    for (QChar a : answers)
        queueYesNo(a == u'Y' ? Answer::Yes : Answer::No);
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
    [](auto&... lists) { (lists.clear(), ...); }(m_shown, m_unexpected, m_yesNo, m_okCancel, m_inputs, m_saveNames,
                                                 m_openNames, m_printers);
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

template <class T> T ScriptedDialogs::answer(QQueue<T>& queue, const Shown& shown, T none) {
    record(shown);
    if (queue.isEmpty()) {
        unexpected(shown.text);
        return none;
    }
    return queue.dequeue();
}

void ScriptedDialogs::message(const QString& text, Icon icon, const QString& title) {
    record({Kind::Message, text, Answer::Ok, icon, title, {}, {}});
}

ScriptedDialogs::Answer ScriptedDialogs::askYesNo(const QString& text, Answer defaultAnswer, Icon icon,
                                                  const QString& title) {
    return answer(m_yesNo, {Kind::YesNo, text, defaultAnswer, icon, title, {}, {}}, Answer::No);
}

ScriptedDialogs::Answer ScriptedDialogs::askOkCancel(const QString& text, Answer defaultAnswer, Icon icon,
                                                     const QString& title) {
    return answer(m_okCancel, {Kind::OkCancel, text, defaultAnswer, icon, title, {}, {}}, Answer::Cancel);
}

std::optional<QString> ScriptedDialogs::inputText(const QString& prompt, const QString& title, const QString& initial) {
    return answer(m_inputs, {Kind::Input, prompt, Answer::Ok, Icon::None, title, {}, initial},
                  std::optional<QString>());
}

QString ScriptedDialogs::saveFileName(const QString& title, const QString& filter, const QString& proposedPath) {
    return answer(m_saveNames, {Kind::Save, title, Answer::Ok, Icon::None, title, filter, proposedPath}, QString());
}

QStringList ScriptedDialogs::openFileNames(const QString& title, const QString& filter, bool several) {
    return answer(m_openNames,
                  {Kind::Open, title, Answer::Ok, Icon::None, title, filter, several ? QStringLiteral("*") : QString()},
                  QStringList());
}

bool ScriptedDialogs::choosePrinter(QPrinter& printer) {
    const QString pdf =
        answer(m_printers, {Kind::Printer, QStringLiteral("Print"), Answer::Ok, Icon::None, {}, {}, {}}, QString());
    if (pdf.isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
}
