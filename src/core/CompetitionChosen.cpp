#include "core/CompetitionChosen.h"

#include "core/AppState.h"
#include "core/Dialogs.h"

namespace onda {

namespace {

bool chosenOrSay(AppState& state, bool chosen, const QString& message) {
    if (!chosen)
        state.dialogs.message(message);
    return chosen;
}

} // namespace

bool clubAndCompetitionChosen(AppState& state) {
    return chosenOrSay(state, !state.club.isEmpty(), QStringLiteral("Selezionare una manifestazione")) &&
           chosenOrSay(state, !state.currentCompetition().isEmpty(), QStringLiteral("Selezionare la prova prescelta"));
}

bool competitionNumberGiven(AppState& state) {
    return chosenOrSay(state, !state.currentCompetition().isEmpty(), QStringLiteral("Inserire il numero di prova"));
}

bool reportCompetitionChosen(AppState& state) {
    return chosenOrSay(state, !state.currentCompetition().isEmpty(), QStringLiteral("Selezionare la manifestazione"));
}

} // namespace onda
