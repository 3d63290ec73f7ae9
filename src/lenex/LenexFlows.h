#pragma once

namespace onda {

class AppState;

// "Come file LENEX (.lxf)": the club's registrations of the open competition as an entries
// file for the organiser's meet software.
void SaveEntriesAsLenex(AppState& state);

// "Dati della societa' per LENEX...": the club's name and nation written into LENEX files.
void EditLenexClub(AppState& state);

// "Importa invito LENEX...": a competition created locally from an organiser's invitation, so
// that registrations can be entered on it off-line.
void ImportLenexInvitation(AppState& state);

// "Importa risultati LENEX...": the best times of the club's athletes from results files.
void ImportLenexResults(AppState& state);

} // namespace onda
