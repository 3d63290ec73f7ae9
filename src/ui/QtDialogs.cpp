#include "ui/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace onda {

namespace {

const QString kDefaultTitle = QStringLiteral("ONDA_link");

QMessageBox::Icon qtIcon(Dialogs::Icon icon) {
    switch (icon) {
    case Dialogs::Icon::Information:
        return QMessageBox::Information;
    case Dialogs::Icon::Warning:
        return QMessageBox::Warning;
    case Dialogs::Icon::Critical:
        return QMessageBox::Critical;
    case Dialogs::Icon::Question:
        return QMessageBox::Question;
    case Dialogs::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton qtButton(Dialogs::Answer answer) {
    switch (answer) {
    case Dialogs::Answer::Ok:
        return QMessageBox::Ok;
    case Dialogs::Answer::Cancel:
        return QMessageBox::Cancel;
    case Dialogs::Answer::Yes:
        return QMessageBox::Yes;
    case Dialogs::Answer::No:
        return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

int runBox(QWidget* parent, const QString& text, Dialogs::Icon icon, const QString& title,
           QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton,
           QMessageBox::StandardButton escapeButton) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); // texts keep CR LF; the box wants plain line feeds
    QMessageBox box(qtIcon(icon), title.isEmpty() ? kDefaultTitle : title, shown, buttons, parent);
    box.setDefaultButton(defaultButton);
    box.setEscapeButton(escapeButton);
    QApplication::setOverrideCursor(Qt::ArrowCursor); // a question must never show the busy pointer
    const int result = box.exec();
    QApplication::restoreOverrideCursor();
    return result;
}

} // namespace

void QtDialogs::message(const QString& text, Icon icon, const QString& title) {
    runBox(parentWindow(), text, icon, title, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok);
}

Dialogs::Answer QtDialogs::askYesNo(const QString& text, Answer defaultAnswer, Icon icon, const QString& title) {
    const int r = runBox(parentWindow(), text, icon, title, QMessageBox::Yes | QMessageBox::No, qtButton(defaultAnswer),
                         QMessageBox::No);
    return r == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

Dialogs::Answer QtDialogs::askOkCancel(const QString& text, Answer defaultAnswer, Icon icon, const QString& title) {
    const int r = runBox(parentWindow(), text, icon, title, QMessageBox::Ok | QMessageBox::Cancel,
                         qtButton(defaultAnswer), QMessageBox::Cancel);
    return r == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

std::optional<QString> QtDialogs::inputText(const QString& prompt, const QString& title, const QString& initial) {
    QInputDialog dialog(parentWindow());
    dialog.setWindowTitle(title.isEmpty() ? kDefaultTitle : title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(initial);
    // A screen reader names the box by the prompt above it.
    if (auto* box = dialog.findChild<QLineEdit*>())
        box->setAccessibleName(prompt);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

QString QtDialogs::saveFileName(const QString& title, const QString& filter, const QString& proposedPath) {
    return QFileDialog::getSaveFileName(parentWindow(), title, proposedPath, qtFileFilter(filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QStringList QtDialogs::openFileNames(const QString& title, const QString& filter, bool several) {
    if (several)
        return QFileDialog::getOpenFileNames(parentWindow(), title, {}, qtFileFilter(filter));
    const QString path = QFileDialog::getOpenFileName(parentWindow(), title, {}, qtFileFilter(filter));
    return path.isEmpty() ? QStringList() : QStringList{path};
}

bool QtDialogs::choosePrinter(QPrinter& printer) {
    QPrintDialog dialog(&printer, parentWindow());
    dialog.setWindowTitle(QStringLiteral("Print"));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace onda
