#include "WindowTest.h"

#include "app/MainWindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

bool WindowTest::start(const QString& directory, const QStringList& arguments)
{
    m_app = std::make_unique<AppHarness>(directory);
    return m_app->start(arguments);
}

void WindowTest::cleanup()
{
    if (!m_app)
        return;
    const QString problems = m_app->dialogs().problems();
    m_app->dialogs().reset();
    m_app.reset();
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
}

QWidget* WindowTest::widget(const QString& path) const
{
    const QStringList names = path.split(QLatin1Char('/'));
    QWidget* current = nullptr;
    for (QWidget* top : QApplication::allWidgets()) {
        if (top->objectName() == names.first()) {
            current = top;
            break;
        }
    }
    for (qsizetype i = 1; current && i < names.size(); ++i)
        current = current->findChild<QWidget*>(names.at(i));
    return current;
}

bool WindowTest::trigger(const QString& actionName)
{
    QAction* action = m_app && m_app->main() ? m_app->main()->action(actionName) : nullptr;
    if (!action || !action->isEnabled()) {
        QTest::qFail(qPrintable(QStringLiteral("no enabled command ") + actionName), __FILE__, __LINE__);
        return false;
    }
    action->trigger();
    return true;
}

bool WindowTest::click(const QString& path)
{
    auto* button = find<QAbstractButton>(path);
    if (!button || !button->isEnabled()) {
        QTest::qFail(qPrintable(QStringLiteral("no enabled button ") + path), __FILE__, __LINE__);
        return false;
    }
    button->click();
    return true;
}

bool WindowTest::type(const QString& path, const QString& text, bool pressEnter)
{
    QWidget* target = widget(path);
    if (auto* combo = qobject_cast<QComboBox*>(target); combo && combo->isEditable())
        target = combo->lineEdit();
    if (!target || !target->isEnabled()) {
        QTest::qFail(qPrintable(QStringLiteral("no enabled box ") + path), __FILE__, __LINE__);
        return false;
    }
    target->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(target))
        line->clear();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(target))
        plain->clear();
    else if (auto* rich = qobject_cast<QTextEdit*>(target))
        rich->clear();
    QTest::keyClicks(target, text);
    if (pressEnter)
        QTest::keyClick(target, Qt::Key_Return);
    return true;
}

QString WindowTest::text(const QString& path) const
{
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

QList<QStringList> WindowTest::rows(const QString& path) const
{
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

void WindowTest::whenModal(const QString& objectName, std::function<void(QWidget*)> answer)
{
    // Polls until the window is the active modal one; gives up after a few seconds so a
    // window that never opens fails the test instead of hanging it.
    auto* timer = new QTimer(this);
    auto tries = std::make_shared<int>(0);
    connect(timer, &QTimer::timeout, this, [timer, tries, objectName, answer = std::move(answer)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == objectName) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
        } else if (++*tries > 500) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}
