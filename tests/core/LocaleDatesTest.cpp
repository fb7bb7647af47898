#include "core/LocaleDates.h"

#include <gtest/gtest.h>

namespace {

QDateTime At(int day, int hour, int minute, int second) {
    return QDateTime(QDate(2009, 3, day), QTime(hour, minute, second));
}

QString InLocale(const char* name, const QDateTime& when) {
    return GeneralDate(when, QLocale(QString::fromLatin1(name)));
}

} // namespace

TEST(GeneralDate, UnitedStates) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(GeneralDate(At(14, 9, 5, 2), us), "3/14/2009 9:05:02 AM");
    EXPECT_EQ(GeneralDate(At(14, 12, 0, 0), us), "3/14/2009 12:00:00 PM");
    EXPECT_EQ(GeneralDate(At(14, 23, 59, 59), us), "3/14/2009 11:59:59 PM");
    EXPECT_EQ(GeneralDate(At(15, 0, 0, 0), us), "3/15/2009");
    EXPECT_EQ(GeneralDate(At(15, 0, 0, 1), us), "3/15/2009 12:00:01 AM");
    EXPECT_EQ(GeneralDate(At(15, 0, 1, 0), us), "3/15/2009 12:01:00 AM");
    // The default locale (pinned to en_US for the tests) when none is given.
    EXPECT_EQ(GeneralDate(At(14, 9, 5, 2)), "3/14/2009 9:05:02 AM");
    EXPECT_EQ(GeneralDate(QDateTime()), "");
}

TEST(GeneralDate, OtherLocalesKeepTheirOwnOrder) {
    EXPECT_EQ(InLocale("de_DE", At(14, 9, 5, 2)), "14.03.2009 09:05:02");
    EXPECT_EQ(InLocale("de_DE", At(15, 0, 0, 0)), "15.03.2009");
    EXPECT_EQ(InLocale("en_GB", At(14, 21, 5, 2)), "14/03/2009 21:05:02");
    // Zone in front, in brackets, after a comma; quoted words that stay.
    EXPECT_EQ(InLocale("zh_CN", At(14, 9, 5, 2)), "2009/3/14 09:05:02");
    EXPECT_EQ(InLocale("es_ES", At(14, 9, 5, 2)), "14/3/2009 9:05:02");
    EXPECT_EQ(InLocale("bg_BG", At(14, 9, 5, 2)), QString::fromUtf8("14.03.2009 г. 9:05:02 ч."));
}

TEST(GeneralDate, NoLocaleShowsAZoneOrATwoDigitYear) {
    for (const char* name : {"en_US", "de_DE", "fr_FR", "ja_JP", "zh_CN", "ko_KR", "es_ES", "sq_AL",
                             "fa_IR", "bg_BG", "it_IT", "en_AU"}) {
        const QLocale locale{QString::fromLatin1(name)};
        const QString text = GeneralDate(At(14, 21, 5, 2), locale);
        SCOPED_TRACE(name);
        EXPECT_TRUE(text.contains(locale.toString(2009).remove(locale.groupSeparator())))
            << text.toStdString();
        for (const char* zone : {"UTC", "GMT", "Coordinated", "()", "  "})
            EXPECT_FALSE(text.contains(QString::fromLatin1(zone))) << text.toStdString();
        EXPECT_EQ(text, text.trimmed());
        EXPECT_FALSE(text.endsWith(u','));
        EXPECT_FALSE(text.contains(QChar(0x202F)) || text.contains(QChar(0x00A0)));
        // Midnight drops the time and nothing else.
        EXPECT_TRUE(GeneralDate(At(15, 21, 5, 2), locale)
                        .startsWith(GeneralDate(At(15, 0, 0, 0), locale) + u' '));
    }
}
