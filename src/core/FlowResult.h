#pragma once

#include <QString>

namespace onda {

// How a workflow ended, for the window that started it to act on.
enum class FlowOutcome {
    Done,
    Cancelled, // the user said no, or another operation was under way
    Refused,   // the service or its file server said no
    Failed,    // a file or the database could not be written or read
};

// What every workflow hands back: how it ended, the last thing it told the user about it, and
// the file it wrote or used. The user has already been told: the caller only acts on it.
struct FlowResult {
    FlowOutcome outcome = FlowOutcome::Done;
    QString message;
    QString path;

    bool ok() const { return outcome == FlowOutcome::Done; }
    static FlowResult done(const QString& path = {}) { return {FlowOutcome::Done, {}, path}; }
    static FlowResult cancelled() { return {FlowOutcome::Cancelled, {}, {}}; }
    static FlowResult refused(const QString& message) { return {FlowOutcome::Refused, message, {}}; }
    static FlowResult failed(const QString& message) { return {FlowOutcome::Failed, message, {}}; }
};

// The link with the service as the workspace uses it; the main window hands it over once.
class ServicePort {
public:
    virtual ~ServicePort() = default;
    // The on-line import of one competition; Done when it ran to its end.
    virtual FlowResult importCompetition(const QString& number) = 0;
    // "Aggiorna lista da Ondaweb": login, the competition list, the grid refilled.
    virtual FlowResult refreshCompetitionList() = 0;
    // "Deposita le tue iscrizioni su Ondaweb": the club's registrations sent to the service.
    virtual FlowResult uploadRegistrations() = 0;
};

} // namespace onda
