"""The real program on a real desktop: started as a user starts it, under the window manager named
by DEXARO_E2E_WM, driven only by X input, and checked on the file system, on window properties and
on the screen. Every test leaves a screenshot and the program's output in DEXARO_E2E_ARTIFACTS.

Keys do the work wherever a key can: the main window starts with the keyboard on its end button,
and Tab goes on to the file list, the folder list, the volume list and the work list."""

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
GATHER = ("Tab", "Down", "shift+Return")  # from the start: the first file, then all of them
TO_WORK_LIST = ("Tab", "Tab", "Tab")  # from the file list
HIGHLIGHT = (48, 140, 198)  # the selected row of a list


def setUpModule():
    global DESKTOP
    DESKTOP = Desktop(WM, ARTIFACTS)


def tearDownModule():
    DESKTOP.close()


def lit(pixel):
    # A list with the keyboard shades its highlight a little from top to bottom.
    return all(abs(a - b) <= 24 for a, b in zip(pixel, HIGHLIGHT))


def green(pixel):
    """The background's gradient: pure greens, no colour of any window's own."""
    return pixel[0] == pixel[2] == 0 < pixel[1]


class DexaroTest(unittest.TestCase):
    """A fresh program in a fresh folder for every test, on the one desktop of this run."""

    files = {}  # relative path: contents ("" and a closing slash: a folder), made beforehand
    start_in = "work"

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="dx", dir="/tmp")
        self.addCleanup(shutil.rmtree, self.root, ignore_errors=True)
        for path, contents in self.files.items():
            full = os.path.join(self.root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            if not path.endswith("/"):
                with open(full, "w") as f:
                    f.write(contents)
        self.work = os.path.join(self.root, self.start_in)
        os.makedirs(self.work, exist_ok=True)
        self.make_files()
        self.artifact = os.path.join(ARTIFACTS, self.id().rsplit(".", 1)[-1])
        self.start()

    def start(self):
        self.program = Program(DESKTOP, BINARY, self.work, self.artifact + ".log")
        # Taken while the program still shows what the test left; the look of every window is
        # worth a glance, not only of failing ones.
        self.addCleanup(self.program.stop)
        self.addCleanup(DESKTOP.screenshot, keep_as=self.artifact + ".xwd")
        self.main = self.program.window("Form1")
        self.background = self.program.window("frmBackForm")
        self.expect_on_top_and_active(self.main)

    def make_files(self):
        """More files than are worth listing in files, made before the program starts."""

    def key(self, *keys):
        DESKTOP.key(*keys)

    def click_main(self):
        """A click on the main window, in its bottom left corner away from every control: it comes
        in front with the keyboard, which goes back to the control that had it."""
        DESKTOP.click((self.main.x + 3, self.main.y + self.main.height - 3))
        wait_for(lambda: DESKTOP.active_window() == self.main.id, "the main window active")

    def pick(self, *keys):
        """Presses keys that highlight a row in the main window: the row's middle, found on the
        screen as what lit up."""
        m, before = self.main, DESKTOP.screenshot()
        self.key(*keys)

        def lit_up():
            screen = DESKTOP.screenshot()
            return [(x, y) for y in range(m.y, m.y + m.height) for x in range(m.x, m.x + m.width, 3)
                    if lit(screen.pixel(x, y)) and not lit(before.pixel(x, y))]
        xs, ys = zip(*wait_for(lit_up, "a row highlighted"))
        return ((min(xs) + max(xs)) // 2, (min(ys) + max(ys)) // 2)

    def open_tool(self, role, *keys):
        """The window keys open, once it is in front and active."""
        self.key(*keys)
        tool = self.program.window(role)
        self.expect_on_top_and_active(tool)
        return tool

    def make_folder(self, name, *keys):
        """Keys that open the new folder prompt, then the name and Enter."""
        self.key(*keys)
        self.program.dialog()
        DESKTOP.type(name)
        self.key("Return")

    def box_says(self, *parts):
        text = self.program.read_box()
        for part in parts:
            self.assertIn(part, text)
        self.key("Return")
        self.program.no_dialog()

    def expect_on_top_and_active(self, window):
        wait_for(lambda: DESKTOP.active_window() == window.id, f"{window} to be active")
        self.assertEqual(DESKTOP.stacking()[-1], window.id)

    def ls(self, folder=""):
        return sorted(os.listdir(os.path.join(self.work, folder)))

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


class Windows(DexaroTest):
    files = {"work/a.txt": "a", "work/b.txt": "b"}

    def test_the_main_window_shows_over_the_background_and_keeps_every_window_above_it(self):
        bg, main = self.background, self.main
        self.assertEqual((bg.x, bg.y, bg.width, bg.height), (0, 0) + SCREEN)
        self.assertEqual(main.frame[2:], SCREEN)  # in the bottom right corner
        self.assertEqual(main.transient_for, bg.id)
        self.assertTrue(bg.has_icon and main.has_icon)

        def main_window_shows():
            stack, screen = DESKTOP.stacking(), DESKTOP.screenshot()
            return stack.index(main.id) > stack.index(bg.id) and not any(
                green(screen.pixel(x, y)) for x in range(main.x, main.x + main.width, 7)
                for y in range(main.y, main.y + main.height, 7))
        wait_for(main_window_shows, "the main window above the background")

        # Every kind of window the work list opens, each moved aside as a user would.
        self.pick(*GATHER)  # the file list's row lit first, so only the work list's lights up next
        row = self.pick(*TO_WORK_LIST, "Down")
        opened = []
        for role, key in (("frmMoveByExtension", "F9"), ("frmSortByCriteria", "s"),
                          ("frmMoveFileByDate", "d"), ("frmBatchRenamer", "F4"),
                          ("frmTextRead", "Return"), ("frmFileAttr", None)):
            if opened:
                self.click_main()
            if key:
                opened.append(self.open_tool(role, key))
            else:  # a double-click on the entry
                DESKTOP.click(row, double=True)
                opened.append(self.program.window(role))
                self.expect_on_top_and_active(opened[-1])
            DESKTOP.run("xdotool", "windowmove", "--sync", str(opened[-1].id),
                        str(40 + 70 * len(opened)), str(10 + 50 * len(opened)), check=True)
        tools = [self.program.window(tool.role) for tool in opened]
        # A click on the main window, then on the background: the main window comes in front with
        # the keyboard, and nothing falls behind the background.
        for click in (self.click_main, lambda: DESKTOP.click((20, SCREEN[1] - 20))):
            click()
            wait_for(lambda: DESKTOP.active_window() == main.id, "the main window active")
            self.assertTrue(main_window_shows(), "the background came over the main window")
            stack, screen = DESKTOP.stacking(), DESKTOP.screenshot()
            self.assertEqual(stack[-1], main.id)
            for tool in tools:
                self.assertGreater(stack.index(tool.id), stack.index(bg.id), tool)
                self.assertFalse(green(screen.pixel(tool.x + tool.width // 2, tool.y + 2)),
                                 f"{tool} is hidden")

    def test_alt_e_in_the_work_list_and_the_window_managers_close_end_the_program(self):
        for keys in (("shift+Tab", "alt+e"), ("alt+F4",)):
            if self.program.exited(0) is not None:
                self.start()
            self.key(*keys)
            self.assertEqual(self.program.exited(), 0, keys)


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
        wait_for(lambda: len(desktop.run("xdotool", "search", "--onlyvisible", "--pid",
                                         str(program.pid)).split()) >= 2,
                 "both windows on the screen, unmanaged")
        for replace in (False, True):
            desktop.start_manager(replace)
            main, background = program.window("Form1"), program.window("frmBackForm")
            wait_for(lambda: desktop.active_window() == main.id, "the main window active")
            stack = desktop.stacking()
            self.assertGreater(stack.index(main.id), stack.index(background.id))
        desktop.screenshot(keep_as=os.path.join(ARTIFACTS, "late", "replaced.xwd"))
        # Alt+E reaches the main window only if it has the keyboard.
        desktop.key("alt+e")
        self.assertEqual(program.exited(), 0)


class FolderCommands(DexaroTest):
    files = {"work/a.txt": "a", "work/dup.txt": "d", "work/sub/a.txt": "other a"}

    def test_new_folder_prompt_and_its_failure(self):
        self.make_folder("Reports", "Tab", "Tab", "n")  # N in the folder list
        self.program.no_dialog()
        # Alt+N types no N: had it opened a box, the next N would type into it.
        self.make_folder("Reports", "alt+n", "n")
        self.box_says("An error occured in making directory", "File exists")
        self.assertEqual(self.ls(), ["Reports", "a.txt", "dup.txt", "sub"])

    def test_batch_move_and_batch_delete_report_their_failures(self):
        # M in the folder list, opened on sub: the whole work list in there, where a.txt is taken.
        self.key(*GATHER, "Tab", "Down", "Return", "m")
        self.box_says("There were errors in moving your files: ", "a.txt   File exists")
        self.assertEqual(self.ls("sub"), ["a.txt", "dup.txt"])
        self.assertEqual(self.ls(), ["a.txt", "sub"])
        # sub's files twice: the second deletes find them gone.
        self.key("shift+Tab", "shift+Return", "shift+Return", *TO_WORK_LIST, "ctrl+Delete")
        self.box_says("There were errors in your batch delete: ", "No such file or directory")
        self.assertEqual(self.ls("sub"), [])


class WorkListKeys(DexaroTest):
    files = {"work/src/a.txt": "a", "work/src/b.txt": "b"}
    start_in = "work/src"

    def test_enter_opens_a_folder_the_first_down_picks_and_alt_letters_do_nothing(self):
        # Enter in the folder list opens work, the folder above. The work list has nothing
        # selected: Down picks a.txt. The program takes keys in order: once F9's window is up,
        # the Alt keys have been seen.
        self.open_tool("frmMoveByExtension", *GATHER, "Tab", "Up", "Return", "Tab", "Tab", "Down",
                       "alt+m", "alt+c", "alt+r", "alt+f", "F9")
        self.assertEqual(self.ls(), ["a.txt", "b.txt"])
        # The entry is still there and picked: M moves its file.
        self.click_main()
        self.key("m")
        wait_for(lambda: os.path.exists(os.path.join(self.root, "work", "a.txt")), "a.txt moved")
        self.assertEqual(self.ls(), ["b.txt"])


class ToolWindows(DexaroTest):
    files = {"work/a.txt": "a", "work/b.TXT": "b", "work/c.log": "c", "work/target/a.txt": "x"}

    def test_sort_by_extension_comes_back_in_front_checks_its_input_and_reports_failures(self):
        tool = self.open_tool("frmMoveByExtension", *GATHER, *TO_WORK_LIST, "F9")
        # Directly above the main window, over its left edge; opened again, it comes back there.
        def placed(window):
            left, _, right, bottom = window.frame
            return bottom == self.main.y and left < self.main.x < right
        self.assertTrue(placed(tool), tool.frame)
        DESKTOP.run("xdotool", "windowmove", str(tool.id), str(self.main.x - 300),
                    str(self.main.y - 150))
        self.click_main()
        self.key("F9")
        wait_for(lambda: placed(self.program.window(tool.role)), "the window back in its place")
        self.expect_on_top_and_active(tool)
        # Each box gives the keyboard back to the window, where the next keys fill in what the box
        # asked for: the extension, Move, and in the target folder list target.
        for keys, message in ((("alt+s",), "Please enter an extension"),
                              (("Tab", "t", "x", "t", "alt+s"), "Please Select an Action"),
                              (("Tab", "space", "alt+s"), "Please select a directory")):
            self.key(*keys)
            self.box_says(message)
        self.key("Tab", "Tab", "Down", "Return", "alt+s")
        self.box_says("There were errors in moving your files: ", "a.txt   File exists")
        self.assertFalse(self.program.has_window("frmMoveByExtension"))
        self.assertEqual(self.ls("target"), ["a.txt", "b.TXT"])
        self.assertEqual(self.ls(), ["a.txt", "c.log", "target"])

    def test_the_renamer_numbers_the_gathered_files_and_names_those_it_could_not(self):
        self.open_tool("frmBatchRenamer", *GATHER, *TO_WORK_LIST, "F4")
        with open(os.path.join(self.work, "photo03.log"), "w") as f:
            f.write("taken")
        self.key("Tab", "space", "Tab")  # Keep Extension, then the base text
        DESKTOP.type("photo")
        self.key("alt+r")
        self.box_says("There were errors in renaming your files: ", "c.log   File exists")
        self.assertFalse(self.program.has_window("frmBatchRenamer"))
        self.assertEqual(self.ls(), ["c.log", "photo01.txt", "photo02.TXT", "photo03.log",
                                     "target"])


class LongBatches(DexaroTest):
    """Batches that run long enough to show their progress, and what a cancel leaves."""

    start_in = "work/src"
    SMALL, BIG = 20000, 8

    def make_files(self):
        # Small files for the count; big ones close together where the copy is about when the
        # window has come up (some 2,000 small files a second here), so that the cancel mostly
        # lands inside one.
        for i in range(self.SMALL):
            with open(os.path.join(self.work, f"f{i:05d}.dat"), "wb") as f:
                f.write(f"{i:05d}".encode() * 800)
        block = os.urandom(1 << 20)
        for i in range(self.BIG):
            with open(os.path.join(self.work, f"f{1000 + 75 * i:05d}.big"), "wb") as f:
                for mib in range(128):
                    f.write(mib.to_bytes(4, "little") + block[4:])
        os.makedirs(os.path.join(self.root, "work", "dst"))

    def test_a_long_copy_shows_its_progress_and_escape_cancels_it_leaving_no_part_of_a_file(self):
        # Up to work, then down to dst, and Insert in the folder list: the work list copied there.
        self.key(*GATHER, "Tab", "Up", "Return", "Down", "Return", "Insert")
        progress = self.program.window("frmProgress")
        # The keyboard goes to it, or Escape would not reach it.
        wait_for(lambda: DESKTOP.active_window() == progress.id, "the progress window active")
        # Over the main window, Cancel and all.
        left, top, right, bottom = self.main.frame
        self.assertTrue(left <= progress.x and progress.x + progress.width <= right
                        and top <= progress.y and progress.y + progress.height <= bottom,
                        f"{progress} is not over {self.main}")
        DESKTOP.screenshot(keep_as=self.artifact + "-progress.xwd")
        self.key("Escape")
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
        self.key(*GATHER, "Tab", "Down", "Return", "Insert")
        copied = lambda: self.ls("dst") == ["a.txt", "b.txt", "c.txt"]
        self.assertFalse(self.progress_shown_while(copied, "the copies"))

    def test_ctrl_z_undoes_the_last_move_then_the_last_rename_leaving_changed_files(self):
        # N in the folder list makes the folder the move then goes to.
        self.make_folder("Batch", *GATHER, "Tab", "n")
        self.program.no_dialog()
        self.key("Down", "Return", "m")
        wait_for(lambda: self.ls("Batch") == ["a.txt", "b.txt", "c.txt"], "the files moved")
        with open(os.path.join(self.work, "Batch", "b.txt"), "a") as f:
            f.write(" changed")
        self.key("ctrl+z")
        self.box_says("There were errors in undoing your last batch: ",
                      "b.txt   Changed since, so left where it is")
        self.assertEqual(self.ls(), ["Batch", "a.txt", "c.txt", "dst"])
        self.assertEqual(self.ls("Batch"), ["b.txt"])

        # The files put back are in the work list again: the renamer takes them from there.
        self.open_tool("frmBatchRenamer", "Tab", "Tab", "F4")
        self.key("Tab", "space", "Tab")
        DESKTOP.type("photo")
        self.key("alt+r")
        wait_for(lambda: not self.program.has_window("frmBatchRenamer"), "the renamer to close")
        self.assertEqual(len([n for n in self.ls() if n.startswith("photo")]), 2, self.ls())
        self.key("ctrl+z")
        wait_for(lambda: self.ls() == ["Batch", "a.txt", "c.txt", "dst"], "the old names back")
        with open(os.path.join(self.work, "c.txt")) as f:
            self.assertEqual(f.read(), "c")
        self.program.no_dialog()


if __name__ == "__main__":
    unittest.main()
