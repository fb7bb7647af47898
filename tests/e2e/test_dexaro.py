"""The real program on a real desktop: started as a user starts it, under the window manager named
by DEXARO_E2E_WM, driven only by X input, and checked on the file system, on window properties and
on the screen. Every test leaves a screenshot and the program's output in DEXARO_E2E_ARTIFACTS."""

import filecmp
import os
import shutil
import tempfile
import time
import unittest

from desktop import SCREEN, Desktop, Program, wait_for

BINARY = os.environ["DEXARO_BINARY"]
WM = os.environ.get("DEXARO_E2E_WM", "openbox")
ARTIFACTS = os.path.join(os.environ.get("DEXARO_E2E_ARTIFACTS", "e2e-artifacts"), WM)

# By window role: the designed client width, and the places of the controls the tests use, in
# twips (left, top, width, height).
DESIGN = {"Form1": (8115, {"Dir1": (120, 720, 2175, 1890), "File1": (2280, 720, 2175, 2235),
                           "List1": (4440, 720, 3615, 2205), "Command1": (6480, 3960, 1575, 255)}),
          "frmMoveByExtension": (8235, {"Option1(0)": (3000, 1680, 1695, 255),
                                        "Dir1": (5880, 1560, 1935, 1440)}),
          "frmFileAttr": (5895, {"Check2": (1440, 480, 975, 255),
                                 "Command1": (4800, 480, 975, 255)})}
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
        self.make_files()
        name = self.id().rsplit(".", 1)[-1]
        self.artifact = os.path.join(ARTIFACTS, name)
        self.program = Program(DESKTOP, BINARY, self.work, self.artifact + ".log")
        self.main = self.program.window("Form1")
        self.background = self.program.window("frmBackForm")

    def tearDown(self):
        # Taken while the program still shows what the test left; the look of every window is
        # worth a glance, not only of failing ones.
        DESKTOP.screenshot(keep_as=self.artifact + ".xwd")
        self.program.stop()
        shutil.rmtree(self.root, ignore_errors=True)

    def make_files(self):
        """More files than are worth listing in files, made before the program starts."""

    # --- places -----------------------------------------------------------------------------

    def rect(self, window, name):
        """A control's place on the screen: left, top, width, height."""
        width, places = DESIGN[window.role]
        left, top, w, h = (round(v * window.width / width) for v in places[name])
        return (window.x + left, window.y + top, w, h)

    def at(self, window, name, dx=None, dy=None):
        """A point inside a control: dx, dy pixels from its top-left corner, else its middle."""
        x, y, w, h = self.rect(window, name)
        return (x + (w // 2 if dx is None else dx), y + (h // 2 if dy is None else dy))

    def first_row(self, name):
        return self.at(self.main, name, 30, 8)

    def row_below_selection(self, window, name, rows=1):
        """The middle of the row rows below the selected one, found on the screen: rows are as
        tall as the highlight."""
        x, y, w, h = self.rect(window, name)
        screen = DESKTOP.screenshot()
        # A list with the keyboard shades its highlight a little from top to bottom.
        band = [row for row in range(y, y + h)
                if all(abs(a - b) <= 24 for a, b in zip(screen.pixel(x + w // 2, row), HIGHLIGHT))]
        self.assertTrue(band, f"no selected row in {name}")
        height = band[-1] - band[0] + 1
        return (x + w // 2, band[0] + height * rows + height // 2)

    # --- steps a user takes -----------------------------------------------------------------

    def click(self, window, point, double=False):
        """A click into a window; what is typed next goes to it once the window manager has
        made it the active one."""
        DESKTOP.click(point, double)
        wait_for(lambda: DESKTOP.active_window() == window.id, f"{window} to be active")

    def gather_all(self):
        """Selects the first file, then Shift+Enter gathers every file of the folder."""
        self.click(self.main, self.first_row("File1"))
        DESKTOP.key("shift+Return")

    def open_tool(self, key, role):
        """The tool window a key in the work list opens, once it is in front and active."""
        self.click(self.main, self.first_row("List1"))
        DESKTOP.key(key)
        tool = self.program.window(role)
        self.expect_on_top_and_active(tool)
        return tool

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
        shift = round(100 * self.main.width / DESIGN["Form1"][0])
        return bottom == self.main.y and (left == self.main.x - shift or right == SCREEN[0])

    def expect_on_top_and_active(self, window):
        wait_for(lambda: DESKTOP.active_window() == window.id, f"{window} to be active")
        self.assertEqual(DESKTOP.stacking()[-1], window.id)

    def ls(self, folder=""):
        return sorted(os.listdir(os.path.join(self.work, folder)))

    def folder_row(self, rows=0, double=False):
        """Clicks the row rows below the selected one in the folder list, right of the middle
        where the selection is looked for, so the pointer hides none of it afterwards."""
        x, y = self.row_below_selection(self.main, "Dir1", rows)
        self.click(self.main, (x + self.rect(self.main, "Dir1")[2] // 4, y), double)

    def open_folder_below(self, rows=1):
        """Opens the folder rows below the one on show; the folder list keeps the keyboard."""
        self.folder_row(rows, double=True)

    def progress_shown_while(self, done, what, seconds=1.5):
        """Whether a progress window came up before done() held and for seconds after."""
        seen, until = False, None
        deadline = time.monotonic() + 10
        while until is None or time.monotonic() < until:
            seen = seen or self.program.has_window("frmProgress")
            if until is None and done():
                until = time.monotonic() + seconds
            elif until is None and time.monotonic() > deadline:
                raise AssertionError(f"timed out waiting for {what}")
        return seen


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
        DESKTOP.click(self.at(self.main, "Command1"))
        self.assertEqual(self.program.exited(), 0)

    def test_alt_e_ends_the_program(self):
        self.click(self.main, self.first_row("List1"))
        DESKTOP.key("alt+e")
        self.assertEqual(self.program.exited(), 0)

    def test_the_window_managers_close_ends_the_program_like_the_end_button(self):
        self.click(self.main, self.first_row("List1"))
        DESKTOP.key("alt+F4")
        self.assertEqual(self.program.exited(), 0)


class LateWindowManager(unittest.TestCase):
    """A session may start the program before its window manager, and a manager may be replaced
    under it: the main window has to end up on top with the keyboard all the same."""

    def test_a_manager_started_or_replaced_under_the_program_gives_the_main_window_the_keys(self):
        desktop = Desktop(WM, os.path.join(ARTIFACTS, "late"), manager=False)
        self.addCleanup(desktop.close)
        folder = tempfile.mkdtemp(prefix="dx", dir="/tmp")
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        program = Program(desktop, BINARY, folder, os.path.join(ARTIFACTS, "late", "dexaro.log"))
        self.addCleanup(program.stop)
        visible = ["xdotool", "search", "--onlyvisible", "--pid", str(program.pid)]
        wait_for(lambda: len(desktop.run(visible, check=False).stdout.split()) >= 2,
                 "both windows on the screen, unmanaged")
        desktop.start_manager()
        main, background = program.window("Form1"), program.window("frmBackForm")
        wait_for(lambda: desktop.active_window() == main.id, "the main window active")
        stack = desktop.stacking()
        self.assertGreater(stack.index(main.id), stack.index(background.id))
        desktop.start_manager(replace=True)
        wait_for(lambda: main.id in desktop.stacking(), "the main window managed again")
        desktop.screenshot(keep_as=os.path.join(ARTIFACTS, "late", "replaced.xwd"))
        # Alt+E reaches the main window only if it has the keyboard.
        desktop.key("alt+e")
        self.assertEqual(program.exited(), 0)


class FolderCommands(DexaroTest):
    files = {"work/a.txt": "a", "work/dup.txt": "d", "work/sub/a.txt": "other a"}

    def test_new_folder_prompt_and_its_failure(self):
        self.click(self.main, self.at(self.main, "Dir1", 40, 8))
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
        self.click(self.main, self.row_below_selection(self.main, "Dir1"), double=True)
        DESKTOP.key("m")  # the whole work list into sub, where a.txt is taken
        self.box_says("There were errors in moving your files: ", "a.txt   File exists")
        self.assertEqual(self.ls("sub"), ["a.txt", "dup.txt"])
        self.assertEqual(self.ls(), ["a.txt", "sub"])

        # The same file twice: the second delete finds it gone.
        for _ in range(2):
            self.click(self.main, self.first_row("File1"), double=True)
        self.click(self.main, self.first_row("List1"))
        DESKTOP.key("ctrl+Delete")
        self.box_says("There were errors in your batch delete: ", "No such file or directory")
        self.assertEqual(self.ls("sub"), ["dup.txt"])


class WorkListKeys(DexaroTest):
    files = {"work/src/a.txt": "a", "work/src/b.txt": "b"}
    start_in = "work/src"

    def test_alt_letters_do_nothing_and_plain_letters_act(self):
        self.gather_all()
        # Up to the parent folder: the row above the selected one.
        self.click(self.main, self.row_below_selection(self.main, "Dir1", -1), double=True)
        self.click(self.main, self.first_row("List1"))
        # The program handles keys in order: once F9's window is up, the Alt keys have been seen.
        DESKTOP.key("alt+m", "alt+c", "alt+r", "alt+f", "F9")
        self.expect_on_top_and_active(self.program.window("frmMoveByExtension"))
        self.assertEqual(self.ls(), ["a.txt", "b.txt"])
        # The entry is still there: M moves its file.
        self.click(self.main, self.first_row("List1"))
        DESKTOP.key("m")
        wait_for(lambda: os.path.exists(os.path.join(self.root, "work", "a.txt")), "a.txt moved")
        self.assertEqual(self.ls(), ["b.txt"])


class ListKeys(DexaroTest):
    files = {"work/src/a.txt": "a", "work/src/b.txt": "b"}
    start_in = "work/src"

    def test_enter_opens_a_folder_and_the_first_down_picks_the_first_entry(self):
        self.gather_all()
        # The folder list: up to work. Then the work list, where nothing is selected: Down picks
        # a.txt, which M moves to work. The program takes keys in order.
        DESKTOP.key("Tab", "Up", "Return", "Tab", "Tab", "Down", "m")
        wait_for(lambda: os.path.exists(os.path.join(self.root, "work", "a.txt")), "a.txt moved")
        self.assertEqual(self.ls(), ["b.txt"])


class ToolWindows(DexaroTest):
    files = {"work/a.txt": "a", "work/b.TXT": "b", "work/c.log": "c", "work/target/": ""}

    def test_the_typical_request_sorts_the_text_files_into_a_folder(self):
        self.gather_all()
        tool = self.open_tool("F9", "frmMoveByExtension")
        self.assertTrue(self.placed_above_main(tool), tool.frame)
        DESKTOP.key("Tab")
        DESKTOP.type("txt")
        self.click(tool, self.at(tool, "Option1(0)", dx=6))
        self.click(tool, self.row_below_selection(tool, "Dir1"), double=True)
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
        self.click(tool, self.at(tool, "Option1(0)", dx=6))
        DESKTOP.key("alt+s")
        self.box_says("Please select a directory")
        self.assertTrue(self.program.has_window("frmMoveByExtension"))
        self.click(tool, self.row_below_selection(tool, "Dir1"), double=True)
        DESKTOP.key("alt+s")
        self.box_says("There were errors in moving your files: ", "a.txt   File exists")
        self.assertEqual(self.ls("target"), ["a.txt", "b.TXT"])

    def test_a_tool_window_opened_again_comes_back_in_front(self):
        tool = self.open_tool("F9", "frmMoveByExtension")
        DESKTOP.run(["xdotool", "windowmove", str(tool.id), "200", str(self.main.y + 20)])
        self.click(self.main, self.first_row("List1"))
        DESKTOP.key("F9")
        wait_for(lambda: self.placed_above_main(self.program.window("frmMoveByExtension")),
                 "the window back in its place")
        self.expect_on_top_and_active(tool)

    def test_tool_and_viewer_windows_stay_above_the_background(self):
        self.gather_all()
        opened = []
        # The viewer and the attributes window come up over the main window: each is moved aside,
        # as a user would, like the others.
        for key, role in (("F9", "frmMoveByExtension"), ("s", "frmSortByCriteria"),
                          ("d", "frmMoveFileByDate"), ("F4", "frmBatchRenamer"),
                          ("Return", "frmTextRead"), ("", "frmFileAttr")):
            if key:
                opened.append(self.open_tool(key, role))
            else:
                DESKTOP.click(self.first_row("List1"), double=True)
                opened.append(self.program.window(role))
            DESKTOP.run(["xdotool", "windowmove", "--sync", str(opened[-1].id),
                         str(40 + 70 * len(opened)), str(10 + 50 * len(opened))])
        tools = [self.program.window(tool.role) for tool in opened]
        # The main window's work list, then the background; the keyboard stays with the main
        # window, which comes in front when clicked.
        for point in (self.first_row("List1"), (20, SCREEN[1] - 20)):
            self.click(self.main, point)
            stack, screen = DESKTOP.stacking(), DESKTOP.screenshot()
            self.assertEqual(stack[-1], self.main.id)
            for tool in tools:
                self.assertGreater(stack.index(tool.id), stack.index(self.background.id), tool)
                red, green, blue = screen.pixel(tool.x + tool.width // 2, tool.y + 2)
                self.assertFalse(red == blue == 0 < green, f"{tool} is hidden")

    def test_the_renamer_numbers_the_gathered_files_and_names_those_it_could_not(self):
        self.gather_all()
        with open(os.path.join(self.work, "photo03.log"), "w") as f:
            f.write("taken")
        self.open_tool("F4", "frmBatchRenamer")
        DESKTOP.key("Tab", "space", "Tab")  # Keep Extension, then the base text
        DESKTOP.type("photo")
        DESKTOP.key("alt+r")
        self.box_says("There were errors in renaming your files: ", "c.log   File exists")
        self.assertFalse(self.program.has_window("frmBatchRenamer"))
        self.assertEqual(self.ls(), ["c.log", "photo01.txt", "photo02.TXT", "photo03.log",
                                     "target"])

    def test_the_attributes_window_writes_the_record(self):
        self.click(self.main, self.first_row("File1"), double=True)
        DESKTOP.click(self.first_row("List1"), double=True)
        window = self.program.window("frmFileAttr")
        self.expect_on_top_and_active(window)
        self.click(window, self.at(window, "Check2", dx=6))
        # Near Ok's left edge, where the System box reaches under it.
        DESKTOP.click(self.at(window, "Command1", dx=3))
        wait_for(lambda: not self.program.has_window("frmFileAttr"), "the window to close")
        self.assertEqual(os.getxattr(os.path.join(self.work, "a.txt"), "user.DOSATTRIB"),
                         b"0x2\0")


class LongBatches(DexaroTest):
    """Batches that run long enough to show their progress, and what a cancel leaves."""

    start_in = "work/src"
    SMALL, BIG = 20000, 8

    def make_files(self):
        # Small files for the count; big ones close together where the copy is about when the
        # window has come up (some 2,000 small files a second here), so that the cancel mostly
        # lands inside one.
        src = self.work
        for i in range(self.SMALL):
            with open(os.path.join(src, f"f{i:05d}.dat"), "wb") as f:
                f.write(f"{i:05d}".encode() * 800)
        block = os.urandom(1 << 20)
        for i in range(self.BIG):
            with open(os.path.join(src, f"f{1000 + 75 * i:05d}.big"), "wb") as f:
                for mib in range(128):
                    f.write(mib.to_bytes(4, "little") + block[4:])
        os.makedirs(os.path.join(self.root, "work", "dst"))

    def test_a_long_copy_shows_its_progress_and_escape_cancels_it_leaving_no_part_of_a_file(self):
        self.gather_all()
        self.open_folder_below(-1)  # up to work
        self.open_folder_below(1)   # dst
        DESKTOP.key("Insert")
        progress = self.program.window("frmProgress")
        # The keyboard goes to it, or Escape would not reach it.
        wait_for(lambda: DESKTOP.active_window() == progress.id, "the progress window active")
        # Over the main window, Cancel and all.
        left, top, right, bottom = self.main.frame
        self.assertTrue(left <= progress.x and progress.x + progress.width <= right
                        and top <= progress.y and progress.y + progress.height <= bottom,
                        f"{progress} is not over {self.main}")
        DESKTOP.screenshot(keep_as=self.artifact + "-progress.xwd")
        DESKTOP.key("Escape")
        wait_for(lambda: not self.program.has_window("frmProgress"), "the progress window to go",
                 timeout=30)
        wait_for(lambda: DESKTOP.active_window() == self.main.id, "the main window active again")
        self.assertFalse(any(not w.role for w in self.program.windows()), "a box came up")

        dst = os.path.join(self.root, "work", "dst")
        copied = os.listdir(dst)
        self.assertLess(len(copied), self.SMALL + self.BIG)
        for name in copied:
            self.assertTrue(filecmp.cmp(os.path.join(dst, name), os.path.join(self.work, name),
                                        shallow=False), name)
        for folder, _, names in os.walk(self.root):
            self.assertEqual([n for n in names if n.startswith(".dexaro-")], [], folder)


class QuickBatches(DexaroTest):
    files = {"work/a.txt": "a", "work/b.txt": "b", "work/c.txt": "c", "work/dst/": ""}

    def test_a_short_copy_shows_no_progress_window(self):
        self.gather_all()
        self.folder_row()
        self.open_folder_below()
        DESKTOP.key("Insert")
        copied = lambda: self.ls("dst") == ["a.txt", "b.txt", "c.txt"]
        self.assertFalse(self.progress_shown_while(copied, "the copies"))

    def test_ctrl_z_undoes_the_last_move_then_the_last_rename_leaving_changed_files(self):
        self.gather_all()
        # N in the folder list makes the folder the move then goes to.
        self.folder_row()
        DESKTOP.key("n")
        self.program.dialog()
        DESKTOP.type("Batch")
        DESKTOP.key("Return")
        self.program.no_dialog()
        self.open_folder_below()
        DESKTOP.key("m")
        wait_for(lambda: self.ls("Batch") == ["a.txt", "b.txt", "c.txt"], "the files moved")
        with open(os.path.join(self.work, "Batch", "b.txt"), "a") as f:
            f.write(" changed")
        DESKTOP.key("ctrl+z")
        self.box_says("There were errors in undoing your last batch: ",
                      "b.txt   Changed since, so left where it is")
        self.assertEqual(self.ls(), ["Batch", "a.txt", "c.txt", "dst"])
        self.assertEqual(self.ls("Batch"), ["b.txt"])

        # The files put back are in the work list again: the renamer takes them from there.
        self.open_tool("F4", "frmBatchRenamer")
        DESKTOP.key("Tab", "space", "Tab")
        DESKTOP.type("photo")
        DESKTOP.key("alt+r")
        wait_for(lambda: not self.program.has_window("frmBatchRenamer"), "the renamer to close")
        renamed = [n for n in self.ls() if n.startswith("photo")]
        self.assertEqual(len(renamed), 2, self.ls())
        self.click(self.main, self.first_row("List1"))
        DESKTOP.key("ctrl+z")
        wait_for(lambda: self.ls() == ["Batch", "a.txt", "c.txt", "dst"], "the old names back")
        with open(os.path.join(self.work, "c.txt")) as f:
            self.assertEqual(f.read(), "c")
        self.program.no_dialog()


if __name__ == "__main__":
    unittest.main()
