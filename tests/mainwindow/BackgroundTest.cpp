#include "WidgetSupport.h"
#include "mainwindow/frmBackForm.h"
#include "ui/Twips.h"

#include <QImage>

// The gradient runs from green to black; the title is white over a black shadow.
TEST(Background, PaintsTheGradientAndAWhiteTitleOverABlackShadow) {
    App app;
    app.showBackForm();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app.backForm()));
    const QImage image = app.backForm()->grab().toImage();
    ASSERT_FALSE(image.isNull());
    const int w = image.width();
    const int h = image.height();
    // Away from the title: green at the top, black at the bottom, the same all along a row.
    EXPECT_EQ(image.pixelColor(w - 1, 0).rgb() & 0xFF00FF, 0u);
    EXPECT_GE(image.pixelColor(w - 1, 0).green(), 250);
    EXPECT_NEAR(image.pixelColor(w - 1, h / 2).green(), 128, 2);
    EXPECT_EQ(image.pixelColor(w - 1, h - 1), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(w / 2, h / 2), image.pixelColor(w - 1, h / 2));

    // In the top-left corner: white pixels of the title, each with black shadow pixels at the
    // shadow's offset where no white one covers them.
    const int shadow = std::max(1, Twips::toPixels(10, Twips::dpi(app.backForm())));
    int white = 0;
    int shadowed = 0;
    for (int y = 0; y < std::min(h, 80); ++y)
        for (int x = 0; x < std::min(w, 400); ++x)
            if (image.pixelColor(x, y) == QColor(Qt::white)) {
                ++white;
                shadowed += image.pixelColor(x + shadow, y + shadow) == QColor(Qt::black);
            }
    EXPECT_GT(white, 50) << "no title drawn";
    EXPECT_GT(shadowed, 5) << "no black shadow under the title";
}
