"""The real program on a real desktop: started as a user starts it, under the window manager named
by DEXARO_E2E_WM, driven only by X input, and checked on the file system, on window properties and
on the screen. Every test leaves a screenshot and the program's output in DEXARO_E2E_ARTIFACTS."""

import os
import shutil
import tempfile
import unittest

from desktop import SCREEN, Desktop, Program, wait_for

BINARY = os.environ["DEXARO_BINARY"]
WM = os.environ.get("DEXARO_E2E_WM", "openbox")
ARTIFACTS = os.path.join(os.environ.get("DEXARO_E2E_ARTIFACTS", "e2e-artifacts"), WM)

# Designed client widths in twips, and the places of the controls the tests use.
MAIN_WIDTH = 8115
MAIN = {"Dir1": (120, 720, 2175, 1890), "File1": (2280, 720, 2175, 2235),
        "List1": (4440, 720, 3615, 2205), "Command1": (6480, 3960, 1575, 255)}
BY_EXTENSION_WIDTH = 8235
BY_EXTENSION = {"Option1(0)": (3000, 1680, 1695, 255), "Dir1": (5880, 1560, 1935, 1440)}
FILE_ATTR_WIDTH = 5895
FILE_ATTR = {"Check2": (1440, 480, 975, 255)}
HIGHLIGHT = (48, 140, 198)  # the selected row of a list


def setUpModule():
    global DESKTOP
    DESKTOP = Desktop(WM, ARTIFACTS)


def tearDownModule():
    DESKTOP.close()


class DexaroTest(unittest.TestCase):
    """A fresh program in a fresh folder for every test, on the one desktop of this run."""

    files = {}  # relative path: contents, made before the program starts
    start_in = "work"

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="dx", dir="/tmp")
        for path, contents in self.files.items():
            full = os.path.join(self.root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            if path.endswith("/"):
                continue
            with open(full, "w") as f:
                f.write(contents)
        self.work = os.path.join(self.root, self.start_in)
        os.makedirs(self.work, exist_ok=True)
        name = self.id().rsplit(".", 1)[-1]
        self.artifact = os.path.join(ARTIFACTS, name)
        self.program = Program(DESKTOP, BINARY, self.work, self.artifact + ".log")
        self.main = self.program.window("Form1")
        self.background = self.program.window("frmBackForm")

    def tearDown(self):
        # Taken while the program still shows what the test left; the look of every window is
        # worth a glance, not only of failing ones.
        DESKTOP.screenshot().save_png(self.artifact + ".png")
        self.program.stop()
        shutil.rmtree(self.root, ignore_errors=True)

    # --- places -----------------------------------------------------------------------------

    def at(self, window, design, width, name, dx=None, dy=None):
        """A point inside a control: dx, dy pixels from its top-left corner, else its middle."""
        left, top, w, h = design[name]
        x, y = window.point(left, top, width)
        right, bottom = window.point(left + w, top + h, width)
        return (x + (dx if dx is not None else (right - x) // 2),
                y + (dy if dy is not None else (bottom - y) // 2))

    def main_at(self, name, dx=None, dy=None):
        return self.at(self.main, MAIN, MAIN_WIDTH, name, dx, dy)

    def first_row(self, name):
        return self.main_at(name, dx=30, dy=8)

    def row_below_selection(self, window, design, width, name, rows=1):
        """The middle of the row that lies rows below the selected row of a list, found on the
        screen: rows are as tall as the highlight."""
        left, top, w, h = design[name]
        x, y0 = window.point(left + w / 2, top, width)
        _, y1 = window.point(left, top + h, width)
        screen = DESKTOP.screenshot()
        band = [y for y in range(y0, y1) if screen.pixel(x, y) == HIGHLIGHT]
        self.assertTrue(band, f"no selected row in {name}")
        height = band[-1] - band[0] + 1
        return (x, band[0] + height * rows + height // 2)

    # --- steps a user takes -----------------------------------------------------------------

    def gather_all(self):
        """Selects the first file, then Shift+Enter gathers every file of the folder."""
        DESKTOP.click(self.first_row("File1"))
        DESKTOP.key("shift+Return")

    def open_tool(self, key, role):
        DESKTOP.click(self.first_row("List1"))
        DESKTOP.key(key)
        return self.program.window(role)

    def box_says(self, *parts):
        text = self.program.read_box()
        for part in parts:
            self.assertIn(part, text)
        DESKTOP.key("Return")
        self.program.no_dialog()
        return text

    def placed_above_main(self, window):
        """Directly above the main window, 100 twips further left, outer edges touching; a window
        manager that keeps new windows on the screen (xfwm4) may pull it left from there."""
        left, _, right, bottom = window.frame
        return bottom == self.main.y and (
            left == self.main.x - round(100 * self.main.width / MAIN_WIDTH) or right == SCREEN[0])

    def expect_on_top_and_active(self, window):
        wait_for(lambda: DESKTOP.active_window() == window.id, f"{window} to be active")
        self.assertEqual(DESKTOP.stacking()[-1], window.id)

    def ls(self, folder=""):
        return sorted(os.listdir(os.path.join(self.work, folder)))


class StartUp(DexaroTest):
    def test_background_fills_the_screen_and_the_main_window_stays_on_top_in_its_corner(self):
        bg, main = self.background, self.main
        self.assertEqual(bg.client, (0, 0) + SCREEN)
        self.assertEqual(main.frame[2:], SCREEN)
        self.assertEqual(main.transient_for, bg.id)
        self.assertTrue(bg.has_icon and main.has_icon)

        def main_window_shows():
            stack = DESKTOP.stacking()
            if stack.index(main.id) < stack.index(bg.id):
                return False
            # The gradient's pure greens are no colour of the main window's own.
            screen = DESKTOP.screenshot()
            green = sum(1 for x in range(main.x, main.x + main.width, 7)
                        for y in range(main.y, main.y + main.height, 7)
                        if screen.pixel(x, y)[0] == 0 < screen.pixel(x, y)[1]
                        and screen.pixel(x, y)[2] == 0)
            return green == 0
        wait_for(main_window_shows, "the main window above the background")
        # A click on the background leaves the main window on top, and the keyboard with it.
        DESKTOP.click((SCREEN[0] // 3, SCREEN[1] // 3))
        wait_for(lambda: DESKTOP.active_window() == main.id, "the main window active again")
        self.assertTrue(main_window_shows(), "the background came over the main window")

    def test_the_end_button_ends_the_program(self):
        DESKTOP.click(self.main_at("Command1"))
        self.assertEqual(self.program.exited(), 0)

    def test_alt_e_ends_the_program(self):
        DESKTOP.click(self.first_row("List1"))
        DESKTOP.key("alt+e")
        self.assertEqual(self.program.exited(), 0)


class FolderCommands(DexaroTest):
    files = {"work/a.txt": "a", "work/dup.txt": "d", "work/sub/a.txt": "other a"}

    def test_new_folder_prompt_and_its_failure(self):
        DESKTOP.click(self.main_at("Dir1", dx=40, dy=8))
        DESKTOP.key("n")
        self.program.dialog()
        DESKTOP.type("Reports")
        DESKTOP.key("Return")
        wait_for(lambda: os.path.isdir(os.path.join(self.work, "Reports")), "the new folder")
        self.program.no_dialog()
        # Alt+N types no N: had it opened a box, the next N would type into it.
        DESKTOP.key("alt+n", "n")
        self.program.dialog()
        DESKTOP.type("Reports")
        DESKTOP.key("Return")
        self.box_says("An error occured in making directory", "File exists")
        self.assertEqual(self.ls(), ["Reports", "a.txt", "dup.txt", "sub"])

    def test_batch_move_and_batch_delete_report_their_failures(self):
        self.gather_all()  # a.txt, dup.txt
        DESKTOP.click(self.row_below_selection(self.main, MAIN, MAIN_WIDTH, "Dir1"), double=True)
        DESKTOP.key("m")  # the whole work list into sub, where a.txt is taken
        self.box_says("There were errors in moving your files: ", "a.txt   File exists")
        self.assertEqual(self.ls("sub"), ["a.txt", "dup.txt"])
        self.assertEqual(self.ls(), ["a.txt", "sub"])

        # The same file twice: the second delete finds it gone.
        for _ in range(2):
            DESKTOP.click(self.first_row("File1"), double=True)
        DESKTOP.click(self.first_row("List1"))
        DESKTOP.key("ctrl+Delete")
        self.box_says("There were errors in your batch delete: ", "No such file or directory")
        self.assertEqual(self.ls("sub"), ["dup.txt"])


class WorkListKeys(DexaroTest):
    files = {"work/src/a.txt": "a", "work/src/b.txt": "b"}
    start_in = "work/src"

    def test_alt_letters_do_nothing_and_plain_letters_act(self):
        self.gather_all()
        # Up to the parent folder: the row above the selected one.
        DESKTOP.click(self.row_below_selection(self.main, MAIN, MAIN_WIDTH, "Dir1", rows=-1),
                      double=True)
        DESKTOP.click(self.first_row("List1"))
        # The program handles keys in order: once F9's window is up, the Alt keys have been seen.
        DESKTOP.key("alt+m", "alt+c", "alt+r", "alt+f", "F9")
        self.program.window("frmMoveByExtension")
        self.assertEqual(self.ls(), ["a.txt", "b.txt"])
        # The entry is still there: M moves its file.
        DESKTOP.click(self.first_row("List1"))
        DESKTOP.key("m")
        wait_for(lambda: os.path.exists(os.path.join(self.root, "work", "a.txt")), "a.txt moved")
        self.assertEqual(self.ls(), ["b.txt"])


class ToolWindows(DexaroTest):
    files = {"work/a.txt": "a", "work/b.TXT": "b", "work/c.log": "c", "work/target/": ""}

    def test_the_typical_request_sorts_the_text_files_into_a_folder(self):
        self.gather_all()
        tool = self.open_tool("F9", "frmMoveByExtension")
        self.expect_on_top_and_active(tool)
        self.assertTrue(self.placed_above_main(tool), tool.frame)
        DESKTOP.key("Tab")
        DESKTOP.type("txt")
        DESKTOP.click(self.at(tool, BY_EXTENSION, BY_EXTENSION_WIDTH, "Option1(0)", dx=6))
        DESKTOP.click(self.row_below_selection(tool, BY_EXTENSION, BY_EXTENSION_WIDTH, "Dir1"),
                      double=True)
        DESKTOP.key("alt+s")
        wait_for(lambda: not self.program.has_window("frmMoveByExtension"), "the window to close")
        self.assertEqual(self.ls("target"), ["a.txt", "b.TXT"])
        self.assertEqual(self.ls(), ["c.log", "target"])

    def test_sort_checks_its_input_then_reports_what_failed(self):
        with open(os.path.join(self.work, "target", "a.txt"), "w") as f:
            f.write("already there")
        self.gather_all()
        tool = self.open_tool("F9", "frmMoveByExtension")
        DESKTOP.key("alt+s")
        self.box_says("Please enter an extension")
        DESKTOP.key("Tab")
        DESKTOP.type("txt")
        DESKTOP.key("alt+s")
        self.box_says("Please Select an Action")
        DESKTOP.click(self.at(tool, BY_EXTENSION, BY_EXTENSION_WIDTH, "Option1(0)", dx=6))
        DESKTOP.key("alt+s")
        self.box_says("Please select a directory")
        self.assertTrue(self.program.has_window("frmMoveByExtension"))
        DESKTOP.click(self.row_below_selection(tool, BY_EXTENSION, BY_EXTENSION_WIDTH, "Dir1"),
                      double=True)
        DESKTOP.key("alt+s")
        self.box_says("There were errors in moving your files: ", "a.txt   File exists")
        self.assertEqual(self.ls("target"), ["a.txt", "b.TXT"])

    def test_a_tool_window_opened_again_comes_back_in_front(self):
        tool = self.open_tool("F9", "frmMoveByExtension")
        DESKTOP.run(["xdotool", "windowmove", str(tool.id), "200", str(self.main.y + 20)])
        DESKTOP.click(self.first_row("List1"))
        wait_for(lambda: DESKTOP.active_window() == self.main.id, "the main window active")
        DESKTOP.key("F9")
        wait_for(lambda: self.placed_above_main(self.program.window("frmMoveByExtension")),
                 "the window back in its place")
        self.expect_on_top_and_active(tool)

    def test_the_renamer_numbers_the_gathered_files(self):
        self.gather_all()
        self.open_tool("F4", "frmBatchRenamer")
        DESKTOP.key("Tab", "space", "Tab")  # Keep Extension, then the base text
        DESKTOP.type("photo")
        DESKTOP.key("alt+r")
        wait_for(lambda: not self.program.has_window("frmBatchRenamer"), "the renamer to close")
        self.assertEqual(self.ls(), ["photo01.txt", "photo02.TXT", "photo03.log", "target"])

    def test_the_attributes_window_writes_the_record(self):
        DESKTOP.click(self.first_row("File1"), double=True)
        DESKTOP.click(self.first_row("List1"), double=True)
        window = self.program.window("frmFileAttr")
        self.expect_on_top_and_active(window)
        DESKTOP.click(self.at(window, FILE_ATTR, FILE_ATTR_WIDTH, "Check2", dx=6))
        DESKTOP.key("alt+o")
        wait_for(lambda: not self.program.has_window("frmFileAttr"), "the window to close")
        self.assertEqual(os.getxattr(os.path.join(self.work, "a.txt"), "user.DOSATTRIB"),
                         b"0x2\0")


if __name__ == "__main__":
    unittest.main()
