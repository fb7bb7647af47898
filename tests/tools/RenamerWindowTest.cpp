// The batch renamer window: its numbering on real files, and its own list.

#include "WidgetSupport.h"
#include "tools/frmBatchRenamer.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>

namespace {

class RenamerWindow : public ToolWindowTest {
protected:
    frmBatchRenamer* pressF4() { return openByKey<frmBatchRenamer>(Qt::Key_F4); }

    // Fills in a newly opened window (or the one given) and presses Rename: the window goes, the
    // work list is emptied and the failures, if any, are named in one message.
    void rename(const QString& base, const QString& start, const QString& extension,
                frmBatchRenamer* renamer = nullptr, const std::string& failures = {}) {
        renamer = renamer ? renamer : pressF4();
        ASSERT_TRUE(renamer);
        QPointer<frmBatchRenamer> watched(renamer);
        Retype(renamer->txtRename, base);
        Retype(renamer->txtStart, start);
        if (extension.isEmpty())
            ClickOption(renamer->chkExtension); // keep each file's own
        else
            Retype(renamer->txtExtension, extension);
        QTest::mouseClick(renamer->cmdRename, Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return watched.isNull(); }));
        EXPECT_TRUE(workList().empty());
        EXPECT_EQ(messages->shown, failures.empty() ? std::vector<std::string>{}
                                                    : std::vector<std::string>{
                                                          Heading::Renaming + ("\r\n" + failures)});
        messages->shown.clear();
    }

    // Each (from, to): to holds what from held, and from is gone unless it is the same.
    void expectNames(std::initializer_list<std::pair<std::string, std::string>> names) {
        for (const auto& [from, to] : names) {
            EXPECT_EQ(ReadFile(dir / to), from) << to;
            EXPECT_EQ(Exists(dir / from), from == to) << from;
        }
    }
};

} // namespace

TEST_F(RenamerWindow, FailedRenamesUseUpTheirNumbersAndAreNamedAndUnlistedFilesStay) {
    MakeFolder(dir / "sub"); // a new name "sub/N.." would succeed as a move
    WriteFile(dir / "N04.txt", "taken");
    gather({"a.txt"});
    form->List1->items().append(dir / "gone.txt");
    gather({"b.txt", "c.txt"});
    rename("N", "1", "txt", nullptr,
           "     gone.txt   No such file or directory\r\n     c.txt   File exists\r\n");
    expectNames({{"a.txt", "N01.txt"}, {"b.txt", "N03.txt"}, {"c.txt", "c.txt"}});
    EXPECT_EQ(fileList(), (std::vector<std::string>{"c.txt", "N01.txt", "N03.txt", "N04.txt"}));
    gather({"d.txt"});
    rename("sub/N", "1", "", nullptr,
           "     d.txt   The new name would put the file into another folder\r\n");
    expectNames({{"d.txt", "d.txt"}});
    // A window opened on an empty work list renames nothing gathered later, yet ends the same.
    ASSERT_TRUE(pressF4());
    gather({"e.txt"});
    rename("N", "1", "txt");
    expectNames({{"e.txt", "e.txt"}});
}

TEST_F(RenamerWindow, DeleteStrikesTheSelectedEntryOffItsOwnListOnly) {
    gather({"a.txt", "b.txt", "c.txt", "d.txt"});
    frmBatchRenamer* r = pressF4();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->List1->items().items(), workList());
    TypeKey(r->List1, Qt::Key_Delete); // nothing selected
    ClickRow(r->List1, 1);
    TypeKey(r->List1, Qt::Key_Delete);
    EXPECT_EQ(r->List1->listIndex(), -1); // nothing is selected after a removal
    // Other keys do nothing; the shift state does not matter.
    ClickRow(r->List1, 0);
    TypeKey(r->List1, Qt::Key_Backspace);
    EXPECT_EQ(r->List1->count(), 3);
    TypeKey(r->List1, Qt::Key_Delete, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(r->List1->items().items(), (std::vector<std::string>{dir / "c.txt", dir / "d.txt"}));
    EXPECT_EQ(form->List1->count(), 4);

    // The struck-off files are neither renamed nor numbered, but they leave the work list too.
    rename("N", "-1", "", r);
    expectNames(
        {{"a.txt", "a.txt"}, {"b.txt", "b.txt"}, {"c.txt", "N0-1.txt"}, {"d.txt", "N00.txt"}});
}
