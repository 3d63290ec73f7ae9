#include "WindowTest.h"

#include "app/MainWindow.h"
#include "core/Operation.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>

namespace {

bool fail(const QString& what) {
    QTest::qFail(qPrintable(what), __FILE__, __LINE__);
    return false;
}

} // namespace

bool WindowTest::start(const QString& directory, const QStringList& arguments) {
    m_app = std::make_unique<AppHarness>(directory);
    return m_app->start(arguments);
}

void WindowTest::cleanup() {
    QString problems =
        m_modalAnswers.isEmpty() ? QString() : QStringLiteral("a modal window the test expected never opened");
    m_modalAnswers.clear();
    if (m_waitTimer)
        m_waitTimer->stop();
    m_waitActs = 0;
    if (m_app) {
        const QString dialogs = m_app->dialogs().problems();
        if (!dialogs.isEmpty())
            problems += (problems.isEmpty() ? QString() : QStringLiteral("\n")) + dialogs;
        m_app->dialogs().reset();
        m_app.reset();
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
}

QWidget* WindowTest::widget(const QString& path) const {
    const QStringList names = path.split(QLatin1Char('/'));
    const QWidgetList all = QApplication::allWidgets();
    const auto top = std::find_if(all.begin(), all.end(), [&](QWidget* w) { return w->objectName() == names.first(); });
    QWidget* current = top == all.end() ? nullptr : *top;
    for (qsizetype i = 1; current && i < names.size(); ++i)
        current = current->findChild<QWidget*>(names.at(i));
    return current;
}

bool WindowTest::trigger(const QString& actionName) {
    QAction* action = m_app && m_app->main() ? m_app->main()->action(actionName) : nullptr;
    if (!action || !action->isEnabled())
        return fail(QStringLiteral("no enabled command ") + actionName);
    action->trigger();
    return true;
}

bool WindowTest::click(const QString& path) {
    auto* button = find<QAbstractButton>(path);
    if (!button || !button->isEnabled())
        return fail(QStringLiteral("no enabled button ") + path);
    button->click();
    return true;
}

bool WindowTest::type(const QString& path, const QString& text, bool pressEnter) {
    QWidget* target = widget(path);
    if (auto* combo = qobject_cast<QComboBox*>(target); combo && combo->isEditable())
        target = combo->lineEdit();
    if (!target || !target->isEnabled())
        return fail(QStringLiteral("no enabled box ") + path);
    target->setFocus();
    if (target->inherits("QLineEdit") || target->inherits("QPlainTextEdit") || target->inherits("QTextEdit"))
        QMetaObject::invokeMethod(target, "clear"); // a slot of each
    QTest::keyClicks(target, text);
    if (pressEnter)
        QTest::keyClick(target, Qt::Key_Return);
    return true;
}

QString WindowTest::text(const QString& path) const {
    QWidget* w = widget(path);
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (auto* line = qobject_cast<QLineEdit*>(w))
        return line->text();
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->currentText();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
        return plain->toPlainText();
    if (auto* rich = qobject_cast<QTextEdit*>(w))
        return rich->toPlainText();
    return w ? w->windowTitle() : QString();
}

QList<QStringList> WindowTest::rows(const QString& path) const {
    QList<QStringList> out;
    const auto* view = find<QAbstractItemView>(path);
    const QAbstractItemModel* model = view ? view->model() : nullptr;
    if (auto* combo = find<QComboBox>(path))
        model = combo->model();
    if (!model)
        return out;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < model->columnCount(); ++c)
            row << model->index(r, c).data().toString();
        out << row;
    }
    return out;
}

void WindowTest::whenModal(const QString& objectName, std::function<void(QWidget*)> answer) {
    m_modalAnswers.append({objectName, std::move(answer)});
    if (!m_modalTimer) {
        m_modalTimer = new QTimer(this);
        connect(m_modalTimer, &QTimer::timeout, this, &WindowTest::answerModals);
    }
    m_modalTicks = 0;
    m_modalTimer->start(10);
}

void WindowTest::answerLogin(const QString& user, const QString& pin, const QString& button) {
    whenModal(QStringLiteral("frmLogin"), [user, pin, button](QWidget* window) {
        window->findChild<QLineEdit*>(QStringLiteral("txtUserName"))->setText(user);
        window->findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(pin);
        window->findChild<QAbstractButton*>(button)->click();
    });
}

void WindowTest::actWhileWaiting(std::function<void()> act) {
    m_waitAct = std::move(act);
    if (!m_waitTimer) {
        m_waitTimer = new QTimer(this);
        connect(m_waitTimer, &QTimer::timeout, this, [this] {
            if (onda::waiting() && m_waitAct) {
                ++m_waitActs;
                m_waitAct();
            }
        });
    }
    m_waitTimer->start(50);
}

void WindowTest::answerModals() {
    if (m_answering)
        return;
    // A window that never opens fails the test by its dialogs, not by hanging it.
    if (m_modalAnswers.isEmpty() || ++m_modalTicks > 1000) {
        m_modalAnswers.clear();
        m_modalTimer->stop();
        return;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal->objectName() != m_modalAnswers.first().objectName)
        return;
    const ModalAnswer next = m_modalAnswers.takeFirst();
    m_modalTicks = 0;
    m_answering = true;
    next.answer(modal);
    m_answering = false;
}
