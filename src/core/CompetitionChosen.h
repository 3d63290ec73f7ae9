#pragma once

namespace onda {

class AppState;

// The guards of the commands that work on the open competition: true when it is there, else
// false after telling the user what to choose first.

// The club and the competition: "Selezionare una manifestazione", "Selezionare la prova prescelta".
bool clubAndCompetitionChosen(AppState& state);
// The competition's number, before a file is written for it or sent: "Inserire il numero di prova".
bool competitionNumberGiven(AppState& state);
// The competition of a report: "Selezionare la manifestazione".
bool reportCompetitionChosen(AppState& state);

} // namespace onda
