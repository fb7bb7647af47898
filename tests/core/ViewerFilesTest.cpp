// Reading the texts the viewers show: regular files only, the size cap, decoding and long lines.

#include "core/ViewerFiles.h"
#include "TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ViewerFiles;

// Anything but a regular file gives nothing and never blocks; a file over the cap shows its first
// 64 MiB and tells how much was left out.
TEST(ViewerText, OnlyRegularFilesAndAt64MiB) {
    TempDir dir;
    // A FIFO holding a byte and no writer: opened without waiting, it reads as "x".
    const std::string pipe = dir / "pipe.log";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    const int writer = ::open(pipe.c_str(), O_WRONLY);
    ASSERT_EQ(::write(writer, "x", 1), 1);
    ::close(writer);
    WriteFile(dir / "a.txt", "a");
    for (const std::string& path : {pipe, dir / "missing.txt", std::string("/dev/zero"),
                                    std::string(), dir / std::string("a.txt\0.bak", 10)})
        EXPECT_EQ(TextForViewer(path), QString()) << path;
    ::close(reader);

    ASSERT_EQ(::truncate((dir / "a.txt").c_str(), static_cast<off_t>(MaxTextBytes) + 10), 0);
    const QString text = TextForViewer(dir / "a.txt"); // sparse: made at once
    EXPECT_EQ(text.mid(text.lastIndexOf(QLatin1Char('\n')) + 1), "[10 more bytes not shown]");
    EXPECT_EQ(text.count(QChar(0)), static_cast<qsizetype>(MaxTextBytes) - 1);
}

TEST(ViewerText, DecodesCutsAndBreaksWithoutSplittingCharacters) {
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

    // A cut through a UTF-8 character leaves it out; a Latin-1 text stays Latin-1.
    WriteFile(dir / "euro.txt", "ab\xe2\x82\xac");
    EXPECT_EQ(TextForViewer(dir / "euro.txt", 4), "ab\n[3 more bytes not shown]");
    WriteFile(dir / "latin1.txt", "\xe9t\xe9\xe9t\xe9");
    EXPECT_EQ(TextForViewer(dir / "latin1.txt", 4),
              QStringLiteral("\u00e9t\u00e9\u00e9\n[2 more bytes not shown]"));

    // Only overlong lines are broken, and never inside a character.
    const QString shortLines = QStringLiteral("abc\ndef\r\n") + QString(4096, QLatin1Char('x'));
    EXPECT_EQ(BreakLongLines(shortLines), shortLines);
    const QString y = QString(4096, QLatin1Char('y'));
    EXPECT_EQ(BreakLongLines("start\n" + y + y + "yy"), "start\n" + y + '\n' + y + "\nyy");
    EXPECT_EQ(BreakLongLines(QStringLiteral("zzzzz\U0001F600zz"), 6),
              QStringLiteral("zzzzz\n\U0001F600zz"));
}
