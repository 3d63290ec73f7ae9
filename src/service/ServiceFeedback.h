#pragma once

#include <QString>

namespace onda {

// What a request shows while it runs. The main window implements it with its status bar,
// the busy pointer and the message boxes; tests record the calls. The windows are redrawn
// while a request waits (core/Operation.h), never by the caller.
class ServiceFeedback {
public:
    virtual ~ServiceFeedback() = default;

    virtual void setStatusText(const QString& text) = 0;
    // Repeated calls with true keep one busy pointer; the workflow that started the
    // requests restores it at its end.
    virtual void setBusy(bool busy) = 0;
    // A message box with the OK button only.
    virtual void showMessage(const QString& text) = 0;
};

// How a line of the progress window looks.
enum class StepLook {
    Unchecked,
    Done,       // checked
    InProgress, // bold, its mark as it was
};

// What the service workflows need of the windows: the login window and the progress window.
class ServicePorts {
public:
    virtual ~ServicePorts() = default;
    // The login window, modal; true after a successful check, with the user id, PIN and club
    // set in the program's state.
    virtual bool login() = 0;
    // The login window unloaded, so that it opens afresh with the program's user and PIN.
    virtual void closeLogin() = 0;
    // Line `index` of the progress window (shown when it is not): a caption that is not
    // empty replaces the line's; InProgress makes it bold, Unchecked and Done set the mark.
    virtual void SetStep(int index, const QString& caption, StepLook look) = 0;
    virtual void closeProgress() = 0;
    // What the workspace shows of the link: the club of the user who logged in, the local
    // competition list written again, and the list marked as the service's.
    virtual void showClub(const QString& club) = 0;
    virtual void competitionListStored() = 0;
    virtual void competitionListRefreshed() = 0;
};

} // namespace onda
