#include "ui/Messages.h"

#include "core/DisplayText.h"
#include "ui/Activation.h"
#include "ui/Shell.h"

#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>

namespace {

// Ctrl+C copies the whole message, every line of a long one included, as message boxes do on
// other desktops: a list of failures is worth pasting into a note or a bug report.
class CopyableBox : public QMessageBox {
public:
    CopyableBox(const QString& text, QWidget* parent)
        : QMessageBox(NoIcon, QString(), QString(), Ok, parent), m_text(text) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Copy))
            QGuiApplication::clipboard()->setText(m_text);
        else
            QMessageBox::keyPressEvent(event);
    }

private:
    QString m_text;
};

// Runs a modal box over the active window and gives that window the keyboard back afterwards:
// some window managers (xfwm4) activate the owner's owner, the background, when a box closes, and
// the next key would go nowhere.
template <class Run> auto OverActiveWindow(Run run) {
    // Just after a progress window has gone, no window may be active yet: the box still belongs
    // over the main window, never loose behind the background.
    QPointer<QWidget> owner = QApplication::activeWindow();
    if (!owner && Shell::exists())
        owner = Shell::instance().mainWindow();
    auto result = run(owner.data());
    if (owner && owner->isVisible())
        ActivateWindow(owner);
    return result;
}

} // namespace

void DialogMessages::message(const std::string& text) {
    // Lines end in CR LF; the box wants plain line feeds. The last line break ends the last line;
    // it does not start another.
    QStringList lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
        start = end + 1;
    }
    const QString ending = !text.empty() && text.back() == '\n' ? QStringLiteral("\n") : QString();
    const QString whole = lines.join(QLatin1Char('\n')) + ending;
    OverActiveWindow([&](QWidget* owner) {
        CopyableBox box(whole, owner);
        box.setTextFormat(Qt::PlainText);
        // A batch of thousands of failures must not make a box taller than the screen.
        if (lines.size() > MaxShownLines) {
            box.setText(
                lines.mid(0, MaxShownLines).join(QLatin1Char('\n')) +
                QStringLiteral("\n... and %1 more lines").arg(lines.size() - MaxShownLines));
            box.setDetailedText(whole);
        } else {
            box.setText(whole);
        }
        return box.exec();
    });
}

std::string DialogMessages::input(const QString& prompt) {
    return OverActiveWindow([&](QWidget* owner) {
        bool ok = false;
        const QString text =
            QInputDialog::getText(owner, QString(), prompt, QLineEdit::Normal, QString(), &ok);
        return ok ? TypedBytes(text) : std::string();
    });
}

void DialogMessages::beep() {
    QApplication::beep();
}
