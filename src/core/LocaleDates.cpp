#include "core/LocaleDates.h"

#include <QList>

namespace {

// A format string cut into the pieces QLocale sees: runs of one pattern letter, quoted literals,
// and single literal characters between them.
struct Piece {
    enum Kind { Field, Quoted, Literal } kind;
    QString text;
};

bool IsPatternLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

QList<Piece> Split(const QString& format) {
    QList<Piece> pieces;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        qsizetype end = i + 1;
        Piece::Kind kind = Piece::Literal;
        if (c == u'\'') {
            // Up to the closing quote; two quotes in a row stand for one.
            kind = Piece::Quoted;
            while (end < format.size()) {
                if (format.at(end) == u'\'') {
                    if (end + 1 < format.size() && format.at(end + 1) == u'\'' && end != i + 1) {
                        end += 2;
                        continue;
                    }
                    ++end;
                    break;
                }
                ++end;
            }
        } else if (IsPatternLetter(c)) {
            kind = Piece::Field;
            while (end < format.size() && format.at(end) == c)
                ++end;
        }
        pieces.append({kind, format.mid(i, end - i)});
        i = end;
    }
    return pieces;
}

QString Join(const QList<Piece>& pieces) {
    QString out;
    for (const Piece& piece : pieces)
        out += piece.text;
    return out;
}

bool IsBlank(QChar c) {
    return c.isSpace() || c == QChar(0x202F) || c == QChar(0x00A0);
}

bool LiteralIn(const Piece& piece, bool (*test)(QChar)) {
    return piece.kind == Piece::Literal && test(piece.text.at(0));
}

// Two-digit years are ambiguous across centuries; the general date always shows four.
QString FourDigitYear(const QString& format) {
    QList<Piece> pieces = Split(format);
    for (Piece& piece : pieces) {
        if (piece.kind == Piece::Field && piece.text.at(0) == u'y' && piece.text.size() < 4)
            piece.text = QStringLiteral("yyyy");
    }
    return Join(pieces);
}

// The time without its zone name, and without the blank, comma or brackets that set it apart.
QString WithoutZone(const QString& format) {
    QList<Piece> pieces = Split(format);
    for (qsizetype zone = 0; zone < pieces.size();) {
        if (pieces[zone].kind != Piece::Field || pieces[zone].text.at(0) != u't') {
            ++zone;
            continue;
        }
        qsizetype first = zone;
        int openBrackets = 0;
        while (first > 0 && LiteralIn(pieces[first - 1], [](QChar c) {
                   return IsBlank(c) || c == u',' || c == u'(' || c == u'[';
               })) {
            --first;
            if (!IsBlank(pieces[first].text.at(0)) && pieces[first].text.at(0) != u',')
                ++openBrackets;
        }
        qsizetype last = zone + 1;
        while (openBrackets > 0 && last < pieces.size() &&
               LiteralIn(pieces[last], [](QChar c) { return c == u')' || c == u']'; })) {
            ++last;
            --openBrackets;
        }
        // At the very start, the separator after it goes instead.
        if (first == 0) {
            while (last < pieces.size() &&
                   LiteralIn(pieces[last], [](QChar c) { return IsBlank(c) || c == u','; }))
                ++last;
        }
        pieces.remove(first, last - first);
        zone = first;
    }
    return Join(pieces).trimmed();
}

} // namespace

QString PlainBlanks(QString text) {
    text.replace(QChar(0x202F), u' ');
    text.replace(QChar(0x00A0), u' ');
    return text;
}

QString GeneralTime(const QTime& time, const QLocale& locale) {
    return PlainBlanks(locale.toString(time, WithoutZone(locale.timeFormat(QLocale::LongFormat))));
}

QString GeneralDate(const QDateTime& when, const QLocale& locale) {
    if (!when.isValid())
        return QString();
    QString text = PlainBlanks(
        locale.toString(when.date(), FourDigitYear(locale.dateFormat(QLocale::ShortFormat))));
    const QTime time = when.time();
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0)
        text += u' ' + GeneralTime(time, locale);
    return text;
}
