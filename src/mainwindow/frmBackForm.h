#pragma once

#include <QPointer>
#include <QWidget>

class Form1;

// The full-screen background behind the main window: a green gradient with the product name and
// version in the top-left corner.
class frmBackForm : public QWidget {
    Q_OBJECT
public:
    explicit frmBackForm(QWidget* parent = nullptr);

    // Covers the screen, sets the application title, loads the main window and puts its
    // bottom-right corner on the screen's.
    void Form_Load();
    // The main window, once loaded.
    Form1* main() const { return m_main; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void PaintBackground(QPaintEvent* event);

    QPointer<Form1> m_main;
    // The main window or tool window that last had the keyboard.
    QPointer<QWidget> m_keyboard;
};
