#pragma once

#include <QSettings>

#include <memory>

namespace onda {

// The program's per-user settings store, keyed by the program title.
std::unique_ptr<QSettings> openProgramSettings();

// The usage mode of the athlete archive, a per-user setting read where it is used; 0 (the
// default) applies neither special case: 1 lets the user type a new athlete's code, 2 allows
// code changes and deletions of provisional codes only.
int usageMode();
void setUsageMode(int mode);

// The page the browser's Search button opens, a per-user setting.
QString searchPage();
void setSearchPage(const QString& address);

// The club's name and nation in LENEX files, kept per club code; empty when not given yet.
QString lenexClubName(const QString& club);
QString lenexClubNation(const QString& club); // "ITA" unless changed
void setLenexClub(const QString& club, const QString& name, const QString& nation);

} // namespace onda
