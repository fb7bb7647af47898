#include "shell/Messages.h"

#include "platform/DisplayText.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

void DialogMessages::message(const std::string& text) {
    // Lines end in CR LF; the box wants plain line feeds. Each line names at most one file, so
    // each is decoded on its own: one name that is not UTF-8 must not garble the others.
    QStringList decoded;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        decoded.push_back(DisplayText(line));
        start = end + 1;
    }
    const QString shown = decoded.join(QLatin1Char('\n'));
    QMessageBox box(QMessageBox::NoIcon, QString(), QString(), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    // A batch of thousands of failures must not make a box taller than the screen.
    const QStringList lines = shown.split(QLatin1Char('\n'));
    if (lines.size() > MaxShownLines) {
        box.setText(lines.mid(0, MaxShownLines).join(QLatin1Char('\n')) +
                    QStringLiteral("\n... and %1 more lines").arg(lines.size() - MaxShownLines));
        box.setDetailedText(shown);
    } else {
        box.setText(shown);
    }
    box.exec();
}

std::string DialogMessages::input(const QString& prompt) {
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), QString(), prompt,
                                               QLineEdit::Normal, QString(), &ok);
    return ok ? TypedBytes(text) : std::string();
}

void DialogMessages::beep() {
    QApplication::beep();
}
