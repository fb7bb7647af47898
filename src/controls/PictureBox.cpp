#include "controls/PictureBox.h"

#include <QPainter>

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
}

void PictureBox::setPicture(const QImage& picture) {
    m_picture = picture;
    m_scaled = QPixmap();
    update();
}

QRect PictureBox::pictureRect() const {
    if (m_picture.isNull())
        return {};
    const QRect room = contentsRect();
    QSize size = m_picture.size();
    if (size.width() > room.width() || size.height() > room.height())
        size.scale(room.size(), Qt::KeepAspectRatio);
    return QRect(room.topLeft(), size);
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const QRect at = pictureRect();
    if (at.isEmpty())
        return;
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = at.size() * ratio;
    if (m_scaled.size() != pixels) {
        m_scaled = QPixmap::fromImage(
            m_picture.size() == pixels
                ? m_picture
                : m_picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        m_scaled.setDevicePixelRatio(ratio);
    }
    QPainter painter(this);
    painter.drawPixmap(at.topLeft(), m_scaled);
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    m_scaled = QPixmap();
}
