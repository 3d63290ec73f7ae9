#pragma once

#include "AppHarness.h"

#include <QAbstractButton>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTest>

#include <functional>
#include <memory>

class QAction;

// Base of every window test: owns the program started on the offscreen platform with
// scripted dialogs, and drives its windows as a user would, by object names.
class WindowTest : public QObject {
    Q_OBJECT
protected slots:
    // Every test ends with every dialog expected and checked, and every answer used.
    virtual void cleanup();

protected:
    // Starts the program in `directory` (a fresh one when empty); false when it ended.
    bool start(const QString& directory = {}, const QStringList& arguments = {});
    AppHarness& app() { return *m_app; }
    ScriptedDialogs& dialogs() { return m_app->dialogs(); }

    // A widget by object path: "Form1/Command1_2" is Command1_2 inside Form1; the first
    // name is looked for among every window of the program.
    QWidget* widget(const QString& path) const;
    template <class W> W* find(const QString& path) const { return qobject_cast<W*>(widget(path)); }

    // Each of these fails the test when the control is missing or disabled.
    [[nodiscard]] bool trigger(const QString& actionName);
    [[nodiscard]] bool click(const QString& path);
    [[nodiscard]] bool type(const QString& path, const QString& text, bool pressEnter = false);
    QString text(const QString& path) const; // a label's, a box's or a button's text
    // The rows of a grid or list as its model shows them.
    QList<QStringList> rows(const QString& path) const;
    // Runs `answer` on the modal window `objectName` once it is open (login, mode choice...).
    // Answers run one at a time in the order given, so a window that stays open after the
    // first answer (a refused login) receives the second.
    void whenModal(const QString& objectName, std::function<void(QWidget*)> answer);
    // The login window, once open, answered with `user` and `pin` and the button `button`.
    void answerLogin(const QString& user = QStringLiteral("demo"), const QString& pin = QStringLiteral("1234"),
                     const QString& button = QStringLiteral("cmdOK"));
    // A user who keeps clicking and typing while the program waits for an operation: `act`
    // runs every 50 ms of each wait. The number of runs so far.
    void actWhileWaiting(std::function<void()> act);
    int actedWhileWaiting() const { return m_waitActs; }

private:
    struct ModalAnswer {
        QString objectName;
        std::function<void(QWidget*)> answer;
    };
    void answerModals();

    std::unique_ptr<AppHarness> m_app;
    QList<ModalAnswer> m_modalAnswers;
    class QTimer* m_modalTimer = nullptr;
    bool m_answering = false;
    int m_modalTicks = 0;
    class QTimer* m_waitTimer = nullptr;
    std::function<void()> m_waitAct;
    int m_waitActs = 0;
};
