#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>

namespace onda {

// Every blank of an address as "%20", as each address is given to the browser.
QString withEncodedBlanks(const QString& address);

// Seconds since midnight with their fraction, as the program's clock reads the time of day.
double secondsSinceMidnight(const QTime& time);

// The address with the parameter that makes every request distinct, so that no cache on
// the way returns an old page: "?timer=" or "&timer=" and the seconds, written with the
// locale's decimal separator and no grouping.
QString addressWithTimer(const QString& address, double seconds, const QLocale& locale = QLocale::system());

// The address list after a visit: the address once, at the top.
QStringList historyAfterVisit(const QStringList& history, const QString& address);

} // namespace onda
