#include "WidgetSupport.h"

#include <QMessageBox>
#include <QPushButton>
#include <filesystem>

using FolderCommands = MainWindowTest;

// Making a folder, and its failures, the e2e suite checks with the real boxes.
TEST_F(FolderCommands, ACancelledNameMakesNothingAndCtrlNAsksNothing) {
    TypeKey(form->Dir1, Qt::Key_N, Qt::ShiftModifier, QStringLiteral("N"));
    EXPECT_EQ(messages->prompts.size(), 1u);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_FALSE(entry.is_directory()) << entry.path();
    EXPECT_TRUE(messages->shown.empty());
    // Ctrl+N types a control character and asks nothing.
    TypeKey(form->Dir1, Qt::Key_N, Qt::ControlModifier, QStringLiteral("\x0e"));
    EXPECT_EQ(messages->prompts.size(), 1u);
}

// A long report shows its first 30 lines and counts the rest; the final line break is no line.
TEST(DialogMessages, ShowLongReportsCut) {
    QString said;
    Answering<QMessageBox> user([&](QMessageBox* box) {
        said = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    const auto report = [](int failures) {
        std::string text = "There were errors: \r\n";
        for (int i = 0; i < failures; ++i)
            text += "     failure " + std::to_string(i) + "\r\n";
        return text;
    };
    DialogMessages().message(report(29));
    EXPECT_TRUE(said.endsWith("failure 28\n")) << said.toStdString();
    EXPECT_FALSE(said.contains("more lines"));
    DialogMessages().message(report(31));
    EXPECT_TRUE(said.endsWith("failure 28\n... and 2 more lines")) << said.toStdString();
}
