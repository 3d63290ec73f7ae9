#pragma once

#include "core/Dialogs.h"

namespace onda {

// The dialogs the program shows to the user.
class QtDialogs final : public Dialogs {
public:
    void message(const QString& text, Icon icon, const QString& title) override;
    Answer askYesNo(const QString& text, Answer defaultAnswer, Icon icon, const QString& title) override;
    Answer askOkCancel(const QString& text, Answer defaultAnswer, Icon icon, const QString& title) override;
    std::optional<QString> inputText(const QString& prompt, const QString& title, const QString& initial) override;
    QString saveFileName(const QString& title, const QString& filter, const QString& proposedPath) override;
    QStringList openFileNames(const QString& title, const QString& filter, bool several) override;
    bool choosePrinter(QPrinter& printer) override;
};

} // namespace onda
