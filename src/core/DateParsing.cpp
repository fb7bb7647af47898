#include "core/DateParsing.h"

#include "core/LocaleDates.h"

#include <QList>
#include <QRegularExpression>
#include <QStringList>
#include <deque>

namespace {

bool IsWordCharacter(QChar c) {
    return c.isLetter() || c.isMark();
}

enum class WordKind { Month, Weekday, Literal, TimeLiteral, Am, Pm };

struct KnownWord {
    QString text; // lower case, without dots
    WordKind kind;
    int month = 0;
};

// What a locale writes in dates and times besides the numbers.
struct Vocabulary {
    QList<KnownWord> words;
    QString punctuation = QStringLiteral("/-.,:");
    // Day, month and year in the order of the short date, e.g. "Mdy".
    QString order;
    // AM/PM texts with blanks or dots in them ("a. m."), found before the text is cut into words.
    QStringList am;
    QStringList pm;
};

void AddWord(Vocabulary& v, QString text, WordKind kind, int month = 0) {
    text = text.toLower();
    text.remove(u'.');
    if (text.isEmpty())
        return;
    for (QChar c : text) {
        if (!IsWordCharacter(c))
            return; // "3月" is a number and a word, found as both anyway
    }
    for (const KnownWord& known : v.words) {
        if (known.text == text)
            return; // the first meaning wins: months before literals, date words before time words
    }
    v.words.append({text, kind, month});
}

// The words and punctuation a format writes around its fields: quoted text, and letters that are
// not pattern letters (年, 月, 日).
void LearnLiterals(Vocabulary& v, const QString& format, WordKind kind) {
    QString word;
    auto flush = [&] {
        AddWord(v, word, kind);
        word.clear();
    };
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            flush();
            if (i + 1 < format.size() && format.at(i + 1) == u'\'')
                ++i; // a quote written twice is one quote character
            else
                quoted = !quoted;
            continue;
        }
        if (!quoted && c.unicode() < 128 && c.isLetter()) {
            flush();
            continue;
        }
        if (IsWordCharacter(c)) {
            word += c;
            continue;
        }
        flush();
        if (!c.isSpace() && !c.isDigit() && !v.punctuation.contains(c))
            v.punctuation += c;
    }
    flush();
}

QString DateOrder(const QString& shortFormat) {
    QString order;
    bool quoted = false;
    for (qsizetype i = 0; i < shortFormat.size();) {
        const QChar c = shortFormat.at(i);
        qsizetype end = i + 1;
        while (!quoted && end < shortFormat.size() && shortFormat.at(end) == c && c != u'\'')
            ++end;
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && (c == u'd' || c == u'M' || c == u'y') && !order.contains(c) &&
                 !(c == u'd' && end - i > 2)) // ddd and dddd are weekday names
            order += c;
        i = end;
    }
    return order.size() == 3 ? order : QStringLiteral("Mdy");
}

void LearnDesignator(Vocabulary& v, const QString& text, WordKind kind) {
    const QString lower = PlainBlanks(text).toLower();
    if (lower.contains(u'.') || lower.contains(u' '))
        (kind == WordKind::Am ? v.am : v.pm).append(lower);
    AddWord(v, lower, kind);
}

Vocabulary Learn(const QLocale& locale) {
    Vocabulary v;
    v.order = DateOrder(locale.dateFormat(QLocale::ShortFormat));
    // English names are understood in every locale as well. Months come first: French writes
    // Tuesday "mar.", English writes March "Mar".
    const QLocale english = QLocale::c();
    for (QLocale::FormatType type : {QLocale::LongFormat, QLocale::ShortFormat}) {
        for (const QLocale* names : {&locale, &english}) {
            for (int month = 1; month <= 12; ++month) {
                AddWord(v, names->monthName(month, type), WordKind::Month, month);
                AddWord(v, names->standaloneMonthName(month, type), WordKind::Month, month);
            }
        }
    }
    for (QLocale::FormatType type : {QLocale::LongFormat, QLocale::ShortFormat}) {
        for (const QLocale* names : {&locale, &english}) {
            for (int day = 1; day <= 7; ++day) {
                AddWord(v, names->dayName(day, type), WordKind::Weekday);
                AddWord(v, names->standaloneDayName(day, type), WordKind::Weekday);
            }
        }
    }
    for (const QString& text : {locale.amText(), QStringLiteral("AM"), QStringLiteral("a.m.")})
        LearnDesignator(v, text, WordKind::Am);
    for (const QString& text : {locale.pmText(), QStringLiteral("PM"), QStringLiteral("p.m.")})
        LearnDesignator(v, text, WordKind::Pm);
    for (QLocale::FormatType type : {QLocale::LongFormat, QLocale::ShortFormat})
        LearnLiterals(v, locale.dateFormat(type), WordKind::Literal);
    for (QLocale::FormatType type : {QLocale::LongFormat, QLocale::ShortFormat})
        LearnLiterals(v, locale.timeFormat(type), WordKind::TimeLiteral);
    AddWord(v, QStringLiteral("at"), WordKind::Literal);
    return v;
}

// What a vocabulary is learnt from. Locales compare equal only with the same data, so the
// system locale, whose formats and names come from LC_TIME rather than from its name, never
// passes for the named locale; formats and AM/PM texts are compared too, as a system locale's
// may change while the program runs.
struct VocabularyKey {
    QLocale locale;
    QStringList texts; // formats and AM/PM texts
    bool operator==(const VocabularyKey&) const = default;
};

VocabularyKey KeyOf(const QLocale& locale) {
    return {locale,
            {locale.dateFormat(QLocale::LongFormat), locale.dateFormat(QLocale::ShortFormat),
             locale.timeFormat(QLocale::LongFormat), locale.timeFormat(QLocale::ShortFormat),
             locale.amText(), locale.pmText()}};
}

// Learning a locale takes far longer than reading a date with what was learnt, and a program
// reads dates in one or two locales. Per thread, so that no reader waits for another.
const Vocabulary& VocabularyFor(const QLocale& locale) {
    struct Learnt {
        VocabularyKey key;
        Vocabulary vocabulary;
    };
    constexpr size_t kMaxLocales = 8;
    thread_local std::deque<Learnt> learnt;
    VocabularyKey key = KeyOf(locale);
    for (const Learnt& known : learnt) {
        if (known.key == key)
            return known.vocabulary;
    }
    if (learnt.size() == kMaxLocales)
        learnt.pop_front();
    learnt.push_back({std::move(key), Learn(locale)});
    return learnt.back().vocabulary;
}

// AM and PM texts with dots or blanks become plain words, so that cutting the text into words
// does not take them apart.
QString ReplaceDesignators(QString text, const Vocabulary& v) {
    for (bool pm : {false, true}) {
        for (const QString& designator : pm ? v.pm : v.am) {
            qsizetype from = 0;
            qsizetype at;
            while ((at = text.indexOf(designator, from, Qt::CaseInsensitive)) >= 0) {
                const qsizetype after = at + designator.size();
                if ((at == 0 || !IsWordCharacter(text.at(at - 1))) &&
                    (after >= text.size() || !IsWordCharacter(text.at(after)))) {
                    const QString word = pm ? QStringLiteral(" pm ") : QStringLiteral(" am ");
                    text.replace(at, designator.size(), word);
                    from = at + word.size();
                } else {
                    from = at + 1;
                }
            }
        }
    }
    return text;
}

struct Token {
    enum Kind { Number, Word, Mark } kind;
    QString text;
    int value = 0;           // a number's value, a month word's month
    WordKind word{};         // for words
    bool afterBlank = false; // a blank stands right before it
};

const KnownWord* LongestKnownPrefix(const Vocabulary& v, QStringView text) {
    const KnownWord* best = nullptr;
    for (const KnownWord& known : v.words) {
        if (text.startsWith(known.text) && (!best || known.text.size() > best->text.size()))
            best = &known;
    }
    return best;
}

// Scripts written without blanks between words: 2009年3月14日土曜日.
bool RunsWordsTogether(const QString& run) {
    for (QChar c : run) {
        const QChar::Script script = c.script();
        if (script == QChar::Script_Han || script == QChar::Script_Hiragana ||
            script == QChar::Script_Katakana || script == QChar::Script_Hangul)
            return true;
    }
    return false;
}

// A run of letters as known words. A word may also be the start of a month name of at least
// three letters ("Sept", "Mär"); in scripts without blanks the run is cut into known words
// ("日土曜日" is 日 and 土曜日).
bool AppendWords(const Vocabulary& v, const QString& run, bool afterBlank, QList<Token>& tokens) {
    const QString lower = run.toLower();
    for (const KnownWord& known : v.words) {
        if (known.text == lower) {
            tokens.append({Token::Word, run, known.month, known.kind, afterBlank});
            return true;
        }
    }
    if (lower.size() >= 3) {
        for (const KnownWord& known : v.words) {
            if (known.kind == WordKind::Month && known.text.startsWith(lower)) {
                tokens.append({Token::Word, run, known.month, known.kind, afterBlank});
                return true;
            }
        }
    }
    if (!RunsWordsTogether(run))
        return false;
    for (qsizetype at = 0; at < lower.size();) {
        const KnownWord* known = LongestKnownPrefix(v, QStringView(lower).mid(at));
        if (!known)
            return false;
        tokens.append({Token::Word, known->text, known->month, known->kind, afterBlank && at == 0});
        at += known->text.size();
    }
    return true;
}

std::optional<QList<Token>> Tokenize(const QString& text, const Vocabulary& v) {
    QList<Token> tokens;
    bool blank = false;
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text.at(i);
        if (c.isSpace()) {
            blank = true;
            ++i;
            continue;
        }
        const qsizetype start = i;
        if (c.isDigit()) {
            int value = 0;
            while (i < text.size() && text.at(i).isDigit()) {
                if (i - start >= 9)
                    return std::nullopt;
                value = value * 10 + text.at(i).digitValue();
                ++i;
            }
            tokens.append({Token::Number, text.mid(start, i - start), value, {}, blank});
        } else if (IsWordCharacter(c)) {
            while (i < text.size() && IsWordCharacter(text.at(i)))
                ++i;
            if (!AppendWords(v, text.mid(start, i - start), blank, tokens))
                return std::nullopt;
        } else if (v.punctuation.contains(c)) {
            tokens.append({Token::Mark, QString(c), 0, {}, blank});
            ++i;
        } else {
            return std::nullopt;
        }
        blank = false;
    }
    return tokens;
}

bool LooksLikeYear(const Token& t) {
    return t.text.size() > 2 || t.value > 31;
}

int Year(const Token& t, const QDate& today) {
    if (t.text.size() > 4)
        return 0;
    if (t.text.size() > 2)
        return t.value;
    const int now = today.year();
    int year = now - now % 100 + t.value;
    if (year > now + 20)
        year -= 100;
    else if (year <= now - 80)
        year += 100;
    return year;
}

// A day or a month: one or two digits.
int Small(const Token& t) {
    return t.text.size() <= 2 ? t.value : -1;
}

QDate BuildDate(const QList<Token>& n, int month, const QString& order, const QDate& today) {
    const bool yearBeforeDay = order.indexOf(u'y') < order.indexOf(u'd');
    if (month != 0) {
        if (n.size() == 1) {
            if (LooksLikeYear(n[0]))
                return QDate(Year(n[0], today), month, 1);
            return QDate(today.year(), month, Small(n[0]));
        }
        if (n.size() == 2) {
            qsizetype year = yearBeforeDay ? 0 : 1;
            if (LooksLikeYear(n[0]) != LooksLikeYear(n[1]))
                year = LooksLikeYear(n[0]) ? 0 : 1;
            return QDate(Year(n[year], today), month, Small(n[1 - year]));
        }
        return {};
    }
    if (n.size() == 3) {
        // A year written first is read year, month, day in every locale (2009-03-14).
        const QString o = LooksLikeYear(n[0]) ? QStringLiteral("yMd") : order;
        return QDate(Year(n[o.indexOf(u'y')], today), Small(n[o.indexOf(u'M')]),
                     Small(n[o.indexOf(u'd')]));
    }
    if (n.size() == 2) {
        if (LooksLikeYear(n[0]) || LooksLikeYear(n[1])) {
            const qsizetype year = LooksLikeYear(n[0]) ? 0 : 1;
            return QDate(Year(n[year], today), Small(n[1 - year]), 1);
        }
        const bool dayFirst = order.indexOf(u'd') < order.indexOf(u'M');
        return QDate(today.year(), Small(n[dayFirst ? 1 : 0]), Small(n[dayFirst ? 0 : 1]));
    }
    return {};
}

std::optional<QTime> BuildTime(const QList<Token>& fields, int designator, int milliseconds) {
    for (const Token& field : fields) {
        if (field.text.size() > 2)
            return std::nullopt;
    }
    int hour = fields[0].value;
    if (designator >= 0) {
        if (hour > 12)
            return std::nullopt;
        if (designator == 1 && hour < 12)
            hour += 12;
        else if (designator == 0 && hour == 12)
            hour = 0;
    }
    const QTime time(hour, fields.size() > 1 ? fields[1].value : 0,
                     fields.size() > 2 ? fields[2].value : 0, milliseconds);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

bool IsMark(const QList<Token>& tokens, qsizetype at, QStringView marks) {
    return at < tokens.size() && tokens[at].kind == Token::Mark && marks.contains(tokens[at].text);
}

bool IsNumber(const QList<Token>& tokens, qsizetype at) {
    return at < tokens.size() && tokens[at].kind == Token::Number;
}

std::optional<UserDate> ReadIso(const QString& text) {
    static const QRegularExpression isoWithTime(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT"));
    if (!isoWithTime.match(text).hasMatch())
        return std::nullopt;
    QDateTime when = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!when.isValid())
        return std::nullopt;
    if (when.timeSpec() != Qt::LocalTime)
        when = when.toLocalTime();
    return UserDate{when.date(), when.time()};
}

// What the words and numbers of a typed date say, before they are built into a date and a time.
struct DateFields {
    QList<Token> timeFields; // hours, minutes, seconds
    int milliseconds = 0;
    int designator = -1; // 0 AM, 1 PM
    int month = 0;       // a month given by name
    QList<Token> numbers;
};

// Sorts the tokens into time fields, the month, the designator and the other numbers. Empty when
// something is given twice or a colon stands alone.
std::optional<DateFields> SortTokens(const QList<Token>& t) {
    DateFields f;
    for (qsizetype k = 0; k < t.size(); ++k) {
        if (IsNumber(t, k) && IsMark(t, k + 1, u":") && IsNumber(t, k + 2)) {
            // 9:05, 9:05:02, 9:05:02.250
            if (!f.timeFields.isEmpty())
                return std::nullopt;
            f.timeFields = {t[k], t[k + 2]};
            k += 2;
            if (IsMark(t, k + 1, u":") && IsNumber(t, k + 2)) {
                f.timeFields.append(t[k + 2]);
                k += 2;
                if (IsMark(t, k + 1, u".,") && IsNumber(t, k + 2)) {
                    f.milliseconds = (t[k + 2].text + QStringLiteral("00")).left(3).toInt();
                    k += 2;
                }
            }
            continue;
        }
        if (IsNumber(t, k) && k + 1 < t.size() && t[k + 1].kind == Token::Word &&
            t[k + 1].word == WordKind::TimeLiteral) {
            // 9時05分, 9 ч.
            f.timeFields.append(t[k]);
            ++k;
            continue;
        }
        switch (t[k].kind) {
        case Token::Number:
            f.numbers.append(t[k]);
            break;
        case Token::Mark:
            if (t[k].text == u":")
                return std::nullopt;
            break;
        case Token::Word:
            if (t[k].word == WordKind::Month) {
                if (f.month != 0)
                    return std::nullopt;
                f.month = t[k].value;
            } else if (t[k].word == WordKind::Am || t[k].word == WordKind::Pm) {
                if (f.designator >= 0)
                    return std::nullopt;
                f.designator = t[k].word == WordKind::Am ? 0 : 1;
            }
            break;
        }
    }
    return f;
}

// A time given without colons is taken from the plain numbers. False when the time cannot be.
bool TakeTimeFromNumbers(DateFields& f) {
    if (f.timeFields.isEmpty()) {
        if (f.designator >= 0 && !f.numbers.isEmpty()) {
            // 9 PM
            f.timeFields.append(f.numbers.takeLast());
        } else {
            // Numbers beyond a whole date, set apart by a blank, are a time: 14.3.2009 9.05
            const qsizetype dateCount = f.month != 0 ? 2 : 3;
            if (f.numbers.size() > dateCount) {
                f.timeFields = f.numbers.mid(dateCount);
                f.numbers.resize(dateCount);
                if (!f.timeFields.front().afterBlank)
                    return false;
            }
        }
    }
    return f.timeFields.size() <= 3 && (f.designator < 0 || !f.timeFields.isEmpty());
}

} // namespace

std::optional<UserDate> ReadUserDate(const QString& input, const QLocale& locale,
                                     const QDate& today) {
    const Vocabulary& v = VocabularyFor(locale);
    const QString text = ReplaceDesignators(PlainBlanks(input), v).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    if (std::optional<UserDate> iso = ReadIso(text))
        return iso;
    const std::optional<QList<Token>> tokens = Tokenize(text, v);
    if (!tokens)
        return std::nullopt;
    std::optional<DateFields> f = SortTokens(*tokens);
    if (!f || !TakeTimeFromNumbers(*f))
        return std::nullopt;

    UserDate read{QDate(), QTime(0, 0)};
    if (!f->timeFields.isEmpty()) {
        const std::optional<QTime> time = BuildTime(f->timeFields, f->designator, f->milliseconds);
        if (!time)
            return std::nullopt;
        read.time = *time;
    }
    if (f->month != 0 || !f->numbers.isEmpty()) {
        read.date = BuildDate(f->numbers, f->month, v.order, today);
        if (!read.date.isValid())
            return std::nullopt;
    } else if (f->timeFields.isEmpty()) {
        return std::nullopt;
    }
    return read;
}

QString NormaliseDateText(const QString& text, const QLocale& locale) {
    const std::optional<UserDate> read = ReadUserDate(text, locale);
    if (!read)
        return text;
    if (read->date.isNull())
        return GeneralTime(read->time, locale);
    // Only the written-out fields matter here, so no local-time gap can make the value invalid.
    return GeneralDate(QDateTime(read->date, read->time, Qt::UTC), locale);
}
