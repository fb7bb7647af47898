#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// The locale's general date: short date with a four-digit year, a blank, the long time without a
// time-zone name; the date alone at exactly midnight. en_US: "3/14/2009 9:05:02 AM".
QString GeneralDate(const QDateTime& when, const QLocale& locale = QLocale());

// The locale's long time without a time-zone name ("9:05:02 AM" in en_US): the time part of
// GeneralDate.
QString GeneralTime(const QTime& time, const QLocale& locale = QLocale());

// Narrow and no-break spaces, which newer locale data writes (before AM/PM, say), as plain blanks:
// they read the same and then compare with typed text.
QString PlainBlanks(QString text);
