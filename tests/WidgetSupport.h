#pragma once

// Helpers for tests that drive the real windows with real events.

#include "TestSupport.h"
#include "controls/DirListBox.h"
#include "controls/FileListBox.h"
#include "controls/ListBox.h"
#include "shell/App.h"
#include "shell/Form1.h"

#include <QLabel>
#include <QTest>
#include <deque>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

// Clicks row of a list view as a user would, through its viewport.
inline void ClickRow(QAbstractItemView* view, int row) {
    const QRect at = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at.center());
}

// A double-click as the window system delivers one: press, release, double-click, release.
inline void DoubleClickRow(QAbstractItemView* view, int row) {
    const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
}

// A key pressed and released on widget, with the text a keyboard would type.
inline void TypeKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = {},
                    const QString& text = {}) {
    QTest::sendKeyEvent(QTest::KeyAction::Press, widget, key, text, modifiers);
    QTest::sendKeyEvent(QTest::KeyAction::Release, widget, key, text, modifiers);
}

// The window once the window system has made it the active one, as it does with a window just
// shown; null when it never became active.
template <class Window> Window* Activated(Window* window) {
    if (!window)
        return nullptr;
    window->activateWindow();
    return QTest::qWaitForWindowActive(window) ? window : nullptr;
}

inline int RowOf(const ListBox* list, const std::string& text) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i) == text)
            return i;
    return -1;
}

// Records every box instead of showing it; input boxes take their answers from a queue.
class RecordingMessages : public Messages {
public:
    void message(const std::string& text) override { shown.push_back(text); }
    std::string input(const QString& prompt) override {
        prompts.push_back(prompt);
        if (answers.empty())
            return {};
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void beep() override { ++beeps; }

    std::vector<std::string> shown;
    std::vector<QString> prompts;
    std::deque<std::string> answers;
    int beeps = 0;
};

// The main window started in a folder of the test's own: the process's current folder is moved
// there first, as the program starts in its current folder.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = ::get_current_dir_name();
        ASSERT_EQ(::chdir(dir.path().c_str()), 0);
        app = std::make_unique<App>();
        auto recording = std::make_unique<RecordingMessages>();
        messages = recording.get();
        app->setMessages(std::move(recording));
        form = app->loadForm1(nullptr);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    }
    void TearDown() override {
        app.reset();
        if (m_previous)
            (void)::chdir(m_previous);
        ::free(m_previous);
    }
    // The folder as the main window names it, with its closing "/".
    std::string folder() const { return dir.path(); }
    QString panel() const { return form->Label2->text(); }

    TempDir dir;
    std::unique_ptr<App> app;
    Form1* form = nullptr;
    RecordingMessages* messages = nullptr;

private:
    char* m_previous = nullptr;
};
