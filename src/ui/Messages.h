#pragma once

#include <QString>
#include <string>

// Every message box, input box and beep of the program goes through one of these, so that tests
// can see and answer them. A message is UTF-8 text whose lines end in CR LF; file names in it are
// shown as VisibleName writes them. What the input box returns is the typed text's bytes.
class Messages {
public:
    virtual ~Messages() = default;
    // A modal box with the text, an OK button, no icon and the application's title.
    virtual void message(const std::string& text) = 0;
    // A modal input box; the typed text, or empty text when the user cancels.
    virtual std::string input(const QString& prompt) = 0;
    virtual void beep() = 0;
};

// The real boxes.
class DialogMessages : public Messages {
public:
    void message(const std::string& text) override;
    std::string input(const QString& prompt) override;
    void beep() override;

    // A box shows this many lines at most; the whole text is under "Show Details...".
    static constexpr int MaxShownLines = 30;
};
