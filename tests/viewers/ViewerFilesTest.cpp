// Reading the files the viewers show: regular files only, the size cap, decoding, long lines and
// pictures recognised by their content.

#include "viewers/ViewerFiles.h"
#include "TestSupport.h"

#include <QImage>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ViewerFiles;

TEST(ViewerText, AnythingButARegularFileGivesNothingAndNeverBlocks) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe.log").c_str(), 0644), 0); // no writer: a read would block
    MakeFolder(dir / "folder.txt");
    WriteFile(dir / "a.txt", "a");
    for (const std::string& path :
         {dir / "pipe.log", dir / "folder.txt", dir / "missing.txt", std::string("/dev/zero"),
          std::string(), dir / std::string("a.txt\0.bak", 10)})
        EXPECT_EQ(TextForViewer(path), QString()) << path;
}

TEST(ViewerText, ShowsAt64MiBAndTellsHowMuchWasLeftOut) {
    TempDir dir;
    // Sparse: made at once, read quickly.
    const std::string over = dir / "over.log";
    const int fd = ::open(over.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(MaxTextBytes) + 10), 0);
    ::close(fd);
    const QString text = TextForViewer(over);
    EXPECT_EQ(text.mid(text.lastIndexOf(QLatin1Char('\n')) + 1), "[10 more bytes not shown]");
    EXPECT_EQ(text.count(QChar(0)), static_cast<qsizetype>(MaxTextBytes));
}

TEST(ViewerText, DecodesAndCutsWithoutSplittingCharacters) {
    TempDir dir;
    WriteFile(dir / "utf8.txt", "caf\xc3\xa9\r\n");
    WriteFile(dir / "r\xe9sum\xe9.txt", "caf\xe9"); // Latin-1, under a name that is no UTF-8
    EXPECT_EQ(TextForViewer(dir / "utf8.txt"), QStringLiteral("caf\u00e9\r\n"));
    EXPECT_EQ(TextForViewer(dir / "r\xe9sum\xe9.txt"), QStringLiteral("caf\u00e9"));

    // The line that tells what was left out always stands on its own.
    WriteFile(dir / "lines.txt", "one\ntwo\nthree");
    EXPECT_EQ(TextForViewer(dir / "lines.txt", 8), "one\ntwo\n[5 more bytes not shown]");
    EXPECT_EQ(TextForViewer(dir / "lines.txt", 12), "one\ntwo\nthre\n[1 more byte not shown]");
    EXPECT_EQ(TextForViewer(dir / "lines.txt", 13), "one\ntwo\nthree");

    // A cut through a character leaves it out rather than turn the text to Latin-1; a text that
    // is Latin-1 anyway stays so.
    WriteFile(dir / "euro.txt", "ab\xe2\x82\xac");
    EXPECT_EQ(TextForViewer(dir / "euro.txt", 4), "ab\n[3 more bytes not shown]");
    WriteFile(dir / "latin1.txt", "\xe9t\xe9\xe9t\xe9");
    EXPECT_EQ(TextForViewer(dir / "latin1.txt", 4),
              QStringLiteral("\u00e9t\u00e9\u00e9\n[2 more bytes not shown]"));
}

TEST(ViewerText, OnlyOverlongLinesAreBroken) {
    const QString shortLines = QStringLiteral("abc\ndef\r\n") + QString(4096, QLatin1Char('x'));
    EXPECT_EQ(BreakLongLines(shortLines), shortLines);

    const QString longLine = QStringLiteral("start\n") + QString(10000, QLatin1Char('y'));
    const QString broken = BreakLongLines(longLine);
    const QStringList lines = broken.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1].size(), 4096);
    EXPECT_EQ(lines[2].size(), 4096);
    EXPECT_EQ(lines[3].size(), 1808);

    // A character outside the basic plane is never split into its two halves.
    const QString emoji = QString(5, QLatin1Char('z')) + QStringLiteral("\U0001F600zz");
    EXPECT_EQ(BreakLongLines(emoji, 6), QStringLiteral("zzzzz\n\U0001F600zz"));
}

TEST(ViewerPicture, LoadsByContentAndRefusesWhatIsNoPicture) {
    TempDir dir;
    QImage red(8, 6, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString(dir / "red.png"), "PNG"));
    ASSERT_EQ(::rename((dir / "red.png").c_str(), (dir / "really-a-png.bmp").c_str()), 0);
    const QImage loaded = LoadPicture(dir / "really-a-png.bmp");
    EXPECT_EQ(loaded.size(), QSize(8, 6));
    EXPECT_EQ(loaded.pixelColor(3, 3), QColor(Qt::red));

    WriteFile(dir / "empty.jpg", "");
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0644), 0);
    for (const std::string& path : {dir / "empty.jpg", dir / "pipe.jpg"})
        EXPECT_TRUE(LoadPicture(path).isNull()) << path;
}
