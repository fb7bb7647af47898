#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>
#include <optional>

// Dates as people type them, read leniently: the locale's short and long forms (day and month
// names, day-month order, its words such as "de" or "年"), any of "/ - . ," between the numbers,
// a four-digit year first in any locale, ISO 8601, a time with ":" and AM/PM, and two-digit
// years, which land within 80 years back and 20 years ahead of today.

// What a typed text holds.
struct UserDate {
    QDate date; // null when the text holds only a time of day
    QTime time; // midnight when the text holds only a date
};

// Nothing when the text is no date or time. A date without a year is in this year; a month and
// a year without a day is the first of the month. today decides both and the century of a
// two-digit year.
std::optional<UserDate> ReadUserDate(const QString& text, const QLocale& locale = QLocale(),
                                     const QDate& today = QDate::currentDate());

// The text rewritten in the locale's short date (with a four-digit year), the long time without
// a zone added when the time is not midnight; a time alone stays a time. Text that is no date
// comes back unchanged.
QString NormaliseDateText(const QString& text, const QLocale& locale = QLocale());
