// The lenient date reader of the sort-by-date window on any typed text, in locales that write
// dates in different orders, with and without blanks between words, and with dotted AM/PM.

#include "FuzzCheck.h"
#include "core/DateParsing.h"

#include <QtGlobal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

void DropQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "Qt fatal: %s\n", qPrintable(message));
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Zoned ISO times turn into local time: the same findings on every machine.
    setenv("TZ", "UTC", 1);
    tzset();
    // One warning per input would bury the fuzzer's own report.
    qInstallMessageHandler(DropQtMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QLocale locales[] = {QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::Japanese, QLocale::Japan),
                                      QLocale(QLocale::Spanish, QLocale::Spain)};
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    // The day NormaliseDateText reads with, so that a year left out means the same year here.
    const QDate today = QDate::currentDate();
    for (const QLocale& locale : locales) {
        const QString normalised = NormaliseDateText(text, locale);
        Require(NormaliseDateText(normalised, locale) == normalised, "normalising is idempotent");

        const std::optional<UserDate> read = ReadUserDate(text, locale, today);
        if (!read)
            continue;
        Require(read->date.isNull() || read->date.isValid(), "a date read is a valid date");
        Require(read->time.isValid(), "a time read is a valid time");
        const std::optional<UserDate> again = ReadUserDate(normalised, locale, today);
        // The normalised text is written to the second.
        const QTime time = read->time.addMSecs(-read->time.msec());
        Require(again && again->date == read->date && again->time == time,
                "the normalised text reads as the same date and time");
    }
    return 0;
}
