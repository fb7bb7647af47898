#pragma once

#include <QFrame>
#include <QImage>
#include <QPixmap>

// A picture box: shows one picture from its top-left corner, scaled down to fit when it is larger
// than the box and never stretched, keeping its proportions. It takes the focus like any control.
class PictureBox : public QFrame {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Replaces the picture (a null image shows none).
    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }
    // Where the picture is drawn, in the box's coordinates; empty when there is none.
    QRect pictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage m_picture;
    QPixmap m_scaled; // m_picture as drawn, made once rather than at every paint
};
