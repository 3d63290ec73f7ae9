#pragma once

#include <QString>

namespace onda {

// What a request shows while it runs. The main window implements it with its status bar,
// the busy pointer and the message boxes; tests record the calls.
class ServiceFeedback {
public:
    virtual ~ServiceFeedback() = default;

    virtual void setStatusText(const QString& text) = 0;
    // Repeated calls with true keep one busy pointer; the workflow that started the
    // requests restores it at its end.
    virtual void setBusy(bool busy) = 0;
    virtual void processEvents() = 0;
    // A message box with the OK button only.
    virtual void showMessage(const QString& text) = 0;
};

} // namespace onda
