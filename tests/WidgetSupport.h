#pragma once

// Helpers for tests that drive the real windows with real events.

#include "TestSupport.h"
#include "app/App.h"
#include "controls/DirListBox.h"
#include "controls/FileListBox.h"
#include "controls/ListBox.h"
#include "mainwindow/Form1.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
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
// shown; null when it never became active. Not qWaitForWindowActive: that counts a window as
// active while its owner still is.
template <class Window> Window* Activated(Window* window) {
    if (!window)
        return nullptr;
    window->activateWindow();
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }) ? window
                                                                                        : nullptr;
}

inline int RowOf(const ListBox* list, const std::string& text) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i) == text)
            return i;
    return -1;
}

// Records every box instead of showing it; an input box is answered with nothing.
class RecordingMessages : public Messages {
public:
    void message(const std::string& text) override { shown.push_back(text); }
    std::string input(const QString& prompt) override {
        prompts.push_back(prompt);
        return {};
    }
    void beep() override { ++beeps; }

    std::vector<std::string> shown;
    std::vector<QString> prompts;
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
    std::vector<std::string> workList() const { return form->List1->items().items(); }
    std::vector<std::string> fileList() const { return form->File1->folder().names(); }

    TempDir dir;
    std::unique_ptr<App> app;
    Form1* form = nullptr;
    RecordingMessages* messages = nullptr;

private:
    char* m_previous = nullptr;
};

// Answers the modal dialogs of type Dialog that come while it lives, from a timer, as a user who
// looks at them first would. A dialog left open is closed after a while, so a test fails rather
// than hangs.
template <class Dialog> class Answering {
public:
    explicit Answering(std::function<void(Dialog*)> answer) {
        QObject::connect(&m_poll, &QTimer::timeout, [this, answer] {
            if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
                ++seen;
                answer(dialog);
            }
        });
        m_poll.start(10);
        QTimer::singleShot(5000, &m_poll, [] {
            if (QWidget* w = QApplication::activeModalWidget())
                w->close();
        });
    }
    int seen = 0;

private:
    QTimer m_poll;
};

// Helpers shared by the tests of the tool windows the main window opens.

// Clicks an option button or check box on its mark: the rest of its width does not take clicks.
inline void ClickOption(QAbstractButton* option) {
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
}

// Replaces a box's text by typing, as a user would.
inline void Retype(QLineEdit* box, const QString& text) {
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

// Double-clicks path in a folder list.
inline void OpenFolder(DirListBox* folders, const std::string& path) {
    for (int row = 0; row < folders->count(); ++row)
        if (folders->entryPath(row) == path)
            return DoubleClickRow(folders, row);
    ADD_FAILURE() << path << " is not in the folder list";
}

// The main window with a tool window opened from it by a key.
class ToolWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        form->move(200, 400); // room above it for the tool windows
    }

    // The key typed into the work list; the window it loaded, once active.
    template <class Window> Window* openByKey(Qt::Key key, const QString& text = {}) {
        TypeKey(form->List1, key, {}, text);
        return Activated(qobject_cast<Window*>(app->loaded(Window::Kind)));
    }

    // Each name (under the test folder) becomes a file holding that name, unless it exists, and
    // joins the work list.
    void gather(std::initializer_list<std::string> names) {
        for (const std::string& name : names) {
            if (!Exists(dir / name))
                WriteFile(dir / name, name);
            form->List1->items().append(dir / name);
        }
        form->File1->refresh();
    }
};
