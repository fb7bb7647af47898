#include "core/Background.h"
#include "WidgetSupport.h"
#include "mainwindow/frmBackForm.h"
#include "ui/ToolWindowBase.h"
#include "ui/Twips.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWindow>

TEST(Background, GradientRunsFromGreenToBlackOneStepPerTwipAtAnyResolution) {
    const std::vector<int> greens = Background::RowGreens(768, 15.0);
    ASSERT_EQ(greens.size(), 768u);
    // Row 0 ends at twip 15 of 11520: 255 - 255 * 15 / 11520 = 254.67, rounded.
    EXPECT_EQ(greens.front(), 255);
    EXPECT_EQ(greens.back(), 0);
    for (size_t i = 1; i < greens.size(); ++i)
        ASSERT_LE(greens[i], greens[i - 1]) << "row " << i;
    // Half way down the colour is half way too.
    EXPECT_NEAR(greens[383], 128, 1);

    EXPECT_TRUE(Background::RowGreens(0, 15.0).empty());
    EXPECT_EQ(Background::RowGreens(1, 15.0), std::vector<int>{0}); // the only row is the last
    const std::vector<int> hiDpi = Background::RowGreens(1080, 1440.0 / 144.0);
    EXPECT_EQ(hiDpi.back(), 0);
    EXPECT_GE(hiDpi.front(), 254);
}

TEST(Background, TitleWritesTheVersionWithoutLeadingZeros) {
    EXPECT_EQ(Background::TitleText(1, 0), "Dexaro 1.0");
    EXPECT_EQ(Background::TitleText(1, 13), "Dexaro 1.13");
}

class StartUpTest : public ::testing::Test {
protected:
    void SetUp() override {
        QGuiApplication::setApplicationDisplayName(QString());
        app = std::make_unique<App>();
        app->showBackForm();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(app->backForm()));
    }
    void TearDown() override {
        app.reset();
        QGuiApplication::setApplicationDisplayName(QStringLiteral("Dexaro"));
    }
    std::unique_ptr<App> app;
};

TEST_F(StartUpTest, BackgroundCoversTheScreenAndTheMainWindowSitsInItsCorner) {
    const QRect screen = app->backForm()->screen()->geometry();
    EXPECT_EQ(app->backForm()->frameGeometry(), screen);
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "Dexaro");

    Form1* main = app->form1();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->frameGeometry().bottomRight(), screen.bottomRight());
    // Owned by the background, so it always stays above it: a window manager learns of an owner
    // only for a transient window type.
    EXPECT_EQ(main->windowHandle()->transientParent(), app->backForm()->windowHandle());
    EXPECT_EQ(main->windowType(), Qt::Dialog);
    EXPECT_EQ(main->Label1->text(), "Dexaro");
    // The background takes no keys: made active, it hands the keyboard to the main window.
    app->backForm()->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(main));
    // Every window shows the application icon, at the sizes title bars and task bars ask for.
    for (QWidget* window : {static_cast<QWidget*>(app->backForm()), static_cast<QWidget*>(main),
                            static_cast<QWidget*>(app->load(ToolWindow::TextRead))})
        for (int size : {16, 32})
            EXPECT_EQ(window->windowIcon().pixmap(size).size(), QSize(size, size));
}

TEST_F(StartUpTest, PaintsTheGradientAndAWhiteTitleOverABlackShadow) {
    const QImage image = app->backForm()->grab().toImage();
    ASSERT_FALSE(image.isNull());
    const int w = image.width();
    const int h = image.height();
    // Away from the title: green at the top, black at the bottom, the same all along a row.
    const QColor top = image.pixelColor(w - 1, 0);
    EXPECT_EQ(top.red(), 0);
    EXPECT_GE(top.green(), 250);
    EXPECT_EQ(top.blue(), 0);
    EXPECT_EQ(image.pixelColor(w - 1, h - 1), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(w / 2, h / 2), image.pixelColor(w - 1, h / 2));

    // In the top-left corner: white pixels of the title, each with black shadow pixels at the
    // shadow's offset where no white one covers them.
    const int shadow = std::max(1, Twips::toPixels(10, Twips::dpi(app->backForm())));
    int white = 0;
    int shadowed = 0;
    for (int y = 0; y < std::min(h, 80); ++y)
        for (int x = 0; x < std::min(w, 400); ++x) {
            if (image.pixelColor(x, y) != QColor(Qt::white))
                continue;
            ++white;
            const QColor below = image.pixelColor(x + shadow, y + shadow);
            if (below == QColor(Qt::black))
                ++shadowed;
        }
    EXPECT_GT(white, 50) << "no title drawn";
    EXPECT_GT(shadowed, 5) << "no black shadow under the title";
}
