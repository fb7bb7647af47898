#include "core/DateParsing.h"
#include "core/LocaleDates.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

std::string Normalised(const char* text, const QLocale& locale = kUs) {
    return NormaliseDateText(QString::fromUtf8(text), locale).toStdString();
}

QDate ReadDate(const char* text, const QDate& today, const QLocale& locale = kUs) {
    const std::optional<UserDate> read = ReadUserDate(QString::fromUtf8(text), locale, today);
    return read ? read->date : QDate();
}

} // namespace

// What reads as a date becomes the locale's short date; what does not stays as it is.
TEST(DateNormalising, DatesBecomeTheShortDateAndTheRestStays) {
    for (const char* text :
         {"3/14/2009", "03/14/09", "3-14-2009", "3.14.2009", " 3/14/2009 ", "March 14, 2009",
          "Saturday, March 14, 2009", "mar 14 2009", "14 March 2009", "Marc 14 2009", "2009-03-14",
          "2009/3/14", "3/14/2009 0:00", "3/14/2009 12:00 AM"})
        EXPECT_EQ(Normalised(text), "3/14/2009") << text;
    for (const char* text :
         {"14.3.2009", "14.03.09", "14/3/2009", "14. März 2009", "14. Mär 2009",
          "Samstag, 14. März 2009", "Sa., 14. märz 2009", "2009-03-14", "14 march 2009"})
        EXPECT_EQ(Normalised(text, kGerman), "14.03.2009") << text;
    for (const char* text : {"3/14/2009", "14. Maerz 2009"})
        EXPECT_EQ(Normalised(text, kGerman), text) << text;
    for (const char* text :
         {"", "   ", "hello", "13/14/2009", "2/30/2009", "2/29/2009", "3/14/2009 25:00",
          "3/14/2009 9:60", "3/14/2009 13:00 PM", "1.2.3.4", "192.168.1.10", "5", "2009", "March",
          "PM", "3/14/2009 + 1", "3/14/2009 9:05 9:06", "next tuesday"})
        EXPECT_EQ(Normalised(text), text) << text;
}

TEST(DateNormalising, TimesOtherThanMidnightAreKeptAndATimeAloneStaysATime) {
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    const std::tuple<const char*, const QLocale*, const char*> cases[] = {
        {"3/14/09 9:05 PM", &kUs, "3/14/2009 9:05:00 PM"},
        {"3/14/2009 21:05:02", &kUs, "3/14/2009 9:05:02 PM"},
        {"March 14, 2009 9 pm", &kUs, "3/14/2009 9:00:00 PM"},
        {"3/14/2009 9:05 p.m.", &kUs, "3/14/2009 9:05:00 PM"},
        {"3/14/2009 12:30 AM", &kUs, "3/14/2009 12:30:00 AM"},
        {"2009-03-14T21:05:02", &kUs, "3/14/2009 9:05:02 PM"},
        // A zone given in ISO form is turned into local time (UTC in the tests).
        {"2009-03-14T21:05:02+01:00", &kUs, "3/14/2009 8:05:02 PM"},
        {"2009-03-14T00:00:00Z", &kUs, "3/14/2009"},
        {"14.03.2009 21:05", &kGerman, "14.03.2009 21:05:00"},
        {"14.03.2009 00:00:00", &kGerman, "14.03.2009"},
        {"21:05", &kUs, "9:05:00 PM"},
        {"9:05:02 am", &kUs, "9:05:02 AM"},
        {"9 PM", &kUs, "9:00:00 PM"},
        {"0:00", &kUs, "12:00:00 AM"},
        {"9:05 p. m.", &spanish, "21:05:00"}};
    for (const auto& [text, locale, shown] : cases)
        EXPECT_EQ(Normalised(text, *locale), shown) << text;
}

TEST(DateReading, TwoDigitYearsLieWithinEightyYearsBackAndTwentyAhead) {
    const QDate today(2026, 12, 6);
    EXPECT_EQ(ReadDate("1/1/46", today), QDate(2046, 1, 1));
    EXPECT_EQ(ReadDate("1/1/47", today), QDate(1947, 1, 1));
    EXPECT_EQ(ReadDate("1/1/46", QDate(2025, 1, 1)), QDate(1946, 1, 1));
    EXPECT_EQ(ReadDate("1/1/05", QDate(2090, 1, 1)), QDate(2105, 1, 1));
    EXPECT_EQ(ReadDate("1/1/2099", today), QDate(2099, 1, 1)); // four digits are taken as written
    EXPECT_EQ(ReadDate("14.3.75", today, kGerman), QDate(1975, 3, 14));
    // Without a year: this year. A month and a year: the first of the month.
    EXPECT_EQ(ReadDate("3/14", today), QDate(2026, 3, 14));
    EXPECT_EQ(ReadDate("14.3.", today, kGerman), QDate(2026, 3, 14));
    EXPECT_EQ(ReadDate("March 2009", today), QDate(2009, 3, 1));
    EXPECT_EQ(ReadDate("March 14", today), QDate(2026, 3, 14));

    const std::optional<UserDate> timeOnly = ReadUserDate(QStringLiteral("9:05"), kUs, today);
    ASSERT_TRUE(timeOnly);
    EXPECT_TRUE(timeOnly->date.isNull());
    EXPECT_EQ(timeOnly->time, QTime(9, 5));
}

// The general date: the locale's short date and long time, the time left out at midnight.
TEST(GeneralDate, WritesEachLocalesOwnOrder) {
    const auto at = [](int day, int hour, int minute, int second) {
        return QDateTime(QDate(2009, 3, day), QTime(hour, minute, second));
    };
    const std::tuple<const char*, QDateTime, const char*> cases[] = {
        {"en_US", at(14, 9, 5, 2), "3/14/2009 9:05:02 AM"},
        {"en_US", at(14, 12, 0, 0), "3/14/2009 12:00:00 PM"},
        {"en_US", at(14, 23, 59, 59), "3/14/2009 11:59:59 PM"},
        {"en_US", at(15, 0, 0, 0), "3/15/2009"},
        {"en_US", at(15, 0, 0, 1), "3/15/2009 12:00:01 AM"},
        {"en_US", at(15, 0, 1, 0), "3/15/2009 12:01:00 AM"},
        {"de_DE", at(14, 9, 5, 2), "14.03.2009 09:05:02"},
        {"en_GB", at(14, 21, 5, 2), "14/03/2009 21:05:02"},
        // Zone in front, in brackets, after a comma; quoted words that stay.
        {"zh_CN", at(14, 9, 5, 2), "2009/3/14 09:05:02"},
        {"es_ES", at(14, 9, 5, 2), "14/3/2009 9:05:02"},
        {"bg_BG", at(14, 9, 5, 2), "14.03.2009 г. 9:05:02 ч."}};
    for (const auto& [name, when, shown] : cases)
        EXPECT_EQ(GeneralDate(when, QLocale(QString::fromLatin1(name))), QString::fromUtf8(shown))
            << name;
    // The default locale (pinned to en_US for the tests) when none is given.
    EXPECT_EQ(GeneralDate(at(14, 9, 5, 2)), "3/14/2009 9:05:02 AM");
    EXPECT_EQ(GeneralDate(QDateTime()), "");
}

// No locale shows a zone, and each reads back what it writes.
TEST(GeneralDate, EveryLocaleWritesAFourDigitYearNoZoneAndReadsItBack) {
    const QDateTime evening(QDate(2009, 3, 14), QTime(21, 5, 2));
    const QDateTime midnight(QDate(2009, 3, 14), QTime(0, 0));
    for (const char* name :
         {"en_US", "de_DE", "en_GB", "fr_FR", "ja_JP", "zh_CN", "ko_KR", "es_ES", "bg_BG", "fi_FI",
          "it_IT", "sq_AL", "ru_RU", "pt_BR", "nl_NL", "en_AU", "fa_IR"}) {
        SCOPED_TRACE(name);
        const QLocale locale{QString::fromLatin1(name)};
        const QString full = GeneralDate(evening, locale);
        const QString date = GeneralDate(midnight, locale);
        for (const char* zone : {"UTC", "GMT", "Coordinated", "()", "  "})
            EXPECT_FALSE(full.contains(QString::fromLatin1(zone))) << full.toStdString();
        EXPECT_EQ(full, full.trimmed());
        EXPECT_FALSE(full.endsWith(u','));
        EXPECT_FALSE(full.contains(QChar(0x202F)) || full.contains(QChar(0x00A0)));
        // Midnight drops the time and nothing else.
        EXPECT_TRUE(full.startsWith(date + u' '));

        EXPECT_EQ(NormaliseDateText(full, locale), full);
        EXPECT_EQ(NormaliseDateText(date, locale), date);
        // The locale's own short date, two-digit year and all.
        EXPECT_EQ(NormaliseDateText(locale.toString(midnight.date(), QLocale::ShortFormat), locale),
                  date);
        // The time part of the general date, alone. Finnish writes 21.05.02 for a time and for
        // a date; in a date box the date wins.
        const QString time = full.mid(date.size() + 1);
        if (locale.language() != QLocale::Finnish) {
            EXPECT_EQ(NormaliseDateText(time, locale), time);
        }
    }
}
