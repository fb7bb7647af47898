"""The real program on a real desktop, under the window manager named by DEXARO_E2E_WM, driven
only by X input. Every test leaves a screenshot and the program's output in DEXARO_E2E_ARTIFACTS.
The main window starts with the keyboard on its end button; Tab goes on to the file list, the
folder list, the volume list and the work list."""

import filecmp
import os
from pathlib import Path
import shutil
import subprocess
import tempfile
import unittest

from desktop import SCREEN, Desktop, Program, XWindow, wait_for

BINARY = os.environ["DEXARO_BINARY"]
WM = os.environ.get("DEXARO_E2E_WM", "openbox")
ARTIFACTS = os.path.join(os.environ.get("DEXARO_E2E_ARTIFACTS", "e2e-artifacts"), WM)
GATHER = ("Tab", "shift+Return")  # from the start: every file of the folder
TO_WORK_LIST = ("Tab", "Tab", "Tab")  # from the file list


def setUpModule():
    global DESKTOP
    DESKTOP = Desktop(WM, ARTIFACTS)


def tearDownModule():
    DESKTOP.close()


def lit(pixel):
    """The selected row of a list; with the keyboard its shade changes a little top to bottom."""
    return all(abs(a - b) <= 24 for a, b in zip(pixel, (48, 140, 198)))


def green(pixel):
    """The background's gradient: pure greens, no colour of any window's own."""
    return pixel[0] == pixel[2] == 0 < pixel[1]


class DexaroTest(unittest.TestCase):
    """A fresh program in a fresh folder for every test, on the one desktop of this run."""

    files = {}  # path in the root folder: contents, or a folder for a path ending in a slash
    start_in = "work"

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="dx", dir="/tmp")
        self.addCleanup(shutil.rmtree, self.root, ignore_errors=True)
        self.work = os.path.join(self.root, self.start_in)
        os.makedirs(self.work)
        for path, contents in self.files.items():
            self.write(path, contents)
        self.make_files()
        self.artifact = os.path.join(ARTIFACTS, self.id().rsplit(".", 1)[-1])
        self.program = Program(DESKTOP, BINARY, self.work, self.artifact + ".log")
        # Taken while the program still shows what the test left, failed or not.
        self.addCleanup(self.program.stop)
        self.addCleanup(DESKTOP.screenshot, keep_as=self.artifact + ".xwd")
        self.main = self.program.window("Form1")
        self.background = self.program.window("frmBackForm")
        self.expect_on_top_and_active(self.main)

    def make_files(self):  # more files than are worth listing in files
        pass

    def click_main(self):
        """A click in the main window's bottom left corner, away from every control: it comes in
        front with the keyboard, which goes back to the control that had it."""
        DESKTOP.click((self.main.x + 3, self.main.y + self.main.height - 3))
        DESKTOP.activated(self.main)

    def pick(self, *keys):
        """Keys that highlight a row in the main window: the middle of the band that lit up."""
        m, before = self.main, DESKTOP.screenshot()
        DESKTOP.key(*keys)

        def band():
            screen = DESKTOP.screenshot()
            lines = {y: [x for x in range(m.x, m.x + m.width, 3)
                         if lit(screen.pixel(x, y)) and not lit(before.pixel(x, y))]
                     for y in range(m.y, m.y + m.height)}
            return {y: xs for y, xs in lines.items() if len(xs) > 20}  # wider than folder icons
        lines = wait_for(band, "a row highlighted")
        y = sorted(lines)[len(lines) // 2]
        return ((lines[y][0] + lines[y][-1]) // 2, y)

    def open_tool(self, role, *keys):
        DESKTOP.key(*keys)
        tool = self.program.window(role)
        self.expect_on_top_and_active(tool)
        return tool

    def box_after(self, keys, *parts):
        """Keys that bring up a message box; it says each of parts, and Enter closes it. The text
        is copied the way a person copies it, with Ctrl+C, onto a clipboard emptied first so that
        an earlier box's text is never taken for this one's."""
        DESKTOP.key(*keys)
        box = self.program.dialog()
        # xclip stays behind to serve the empty text until the box takes the clipboard over.
        subprocess.run(["xclip", "-i", "-selection", "clipboard"], env=DESKTOP.env, input=b"",
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        DESKTOP.key("ctrl+c")
        text = wait_for(lambda: DESKTOP.run("xclip", "-o", "-selection", "clipboard"),
                        "the box's text on the clipboard")
        for part in parts:
            self.assertIn(part, text)
        DESKTOP.key("Return")
        self.program.no_dialog()
        return box

    def expect_on_top_and_active(self, window):
        DESKTOP.activated(window)
        self.assertEqual(DESKTOP.stacking()[-1], window.id)

    def write(self, path, contents):
        """A file, or a folder for a path ending in a slash, below the root folder."""
        full = os.path.join(self.root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        if not path.endswith("/"):
            with open(full, "a") as f:
                f.write(contents)

    def ls(self, folder=""):
        return sorted(os.listdir(os.path.join(self.work, folder)))

    def expect_ls(self, names, folder=""):
        wait_for(lambda: self.ls(folder) == names, f"{names} in {folder or 'the folder'}")


class Windows(DexaroTest):
    files = {"work/a.txt": "a", "work/b.txt": "b", "work/sub/": ""}

    def test_the_work_list_opens_every_window_and_the_background_stays_below_them_all(self):
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

        # Enter in the folder list opens sub. The work list has nothing selected: Down picks
        # a.txt. The folder list's row lights up first, so that only the work list's does next.
        self.pick(*GATHER, "Tab", "Down")
        row = self.pick("Return", "Tab", "Tab", "Down")
        DESKTOP.key("alt+m", "alt+c", "alt+r", "alt+f")
        # Every kind of window the work list opens, each moved aside as a user would. The program
        # takes keys in order: once the first is up, the Alt keys have been seen, and did nothing.
        opened = []
        for role, key in (("frmMoveByExtension", "F9"), ("frmSortByCriteria", "s"),
                          ("frmMoveFileByDate", "d"), ("frmBatchRenamer", "F4"),
                          ("frmTextRead", "Return"), ("frmFileAttr", None)):
            if opened:
                self.click_main()
            if not key:  # a double-click on the entry
                DESKTOP.click(row, double=True)
            opened.append(self.open_tool(role, *[key] if key else []))
            DESKTOP.run("xdotool", "windowmove", "--sync", str(opened[-1].id),
                        str(40 + 70 * len(opened)), str(10 + 50 * len(opened)), check=True)
        self.assertEqual((self.ls(), self.ls("sub")), (["a.txt", "b.txt", "sub"], []))
        tools = [self.program.window(tool.role) for tool in opened]
        # A click on the main window, then on the background: the main window comes in front with
        # the keyboard, and nothing falls behind the background.
        for click in (self.click_main, lambda: DESKTOP.click((20, SCREEN[1] - 20))):
            click()
            DESKTOP.activated(main)
            self.assertTrue(main_window_shows(), "the background came over the main window")
            stack, screen = DESKTOP.stacking(), DESKTOP.screenshot()
            self.assertEqual(stack[-1], main.id)
            for tool in tools:
                self.assertGreater(stack.index(tool.id), stack.index(bg.id), tool)
                self.assertFalse(green(screen.pixel(tool.x + tool.width // 2, tool.y + 2)),
                                 f"{tool} is hidden")
        DESKTOP.key("m")  # the entry is still there and picked: M moves its file
        self.expect_ls(["a.txt"], "sub")


class LateWindowManager(unittest.TestCase):
    """A session may start the program before its window manager, and a manager may be replaced
    under it: the main window has to end up on top with the keyboard all the same."""

    def test_a_manager_started_or_replaced_under_the_program_gives_the_main_window_the_keys(self):
        late = os.path.join(ARTIFACTS, "late")
        desktop = Desktop(WM, late, manager=False)
        self.addCleanup(desktop.close)
        program = Program(desktop, BINARY, desktop.home, os.path.join(late, "dexaro.log"))
        self.addCleanup(program.stop)
        def shown():  # by process: no manager lists them yet
            found = desktop.run("xdotool", "search", "--onlyvisible", "--pid",
                                str(program.process.pid)).split()
            return len(found) >= 2 and {XWindow(desktop, int(w)).role: int(w) for w in found}
        ids = wait_for(shown, "both windows on the screen, unmanaged")
        # Given the keyboard from outside, the background hands it on to the main window, with a
        # time that the change before it cannot make stale.
        desktop.run("xdotool", "windowfocus", str(ids["frmBackForm"]), check=True)
        wait_for(lambda: desktop.run("xdotool", "getwindowfocus", "-f").split() == [
            str(ids["Form1"])], "the main window to have the keyboard, unmanaged")
        for replace in (False, True):
            desktop.start_manager(replace)
            main, background = program.window("Form1"), program.window("frmBackForm")
            desktop.activated(main)
            stack = desktop.stacking()
            self.assertGreater(stack.index(main.id), stack.index(background.id))
        desktop.screenshot(keep_as=os.path.join(late, "replaced.xwd"))
        # Alt+E reaches the main window only if it has the keyboard; in the work list, where Alt
        # and a letter does nothing, it still ends the program.
        desktop.key("shift+Tab", "alt+e")
        self.assertEqual(program.process.wait(timeout=10), 0)


class FolderCommands(DexaroTest):
    files = {"work/a.txt": "a", "work/dup.txt": "d", "work/sub/a.txt": "other a"}

    def test_batch_move_and_batch_delete_report_their_failures(self):
        # M in the folder list, opened on sub: the whole work list in there, where a.txt is taken.
        self.box_after((*GATHER, "Tab", "Down", "Return", "m"),
                       "There were errors in moving your files: ", "a.txt   File exists")
        self.assertEqual((self.ls(), self.ls("sub")), (["a.txt", "sub"], ["a.txt", "dup.txt"]))
        # sub's files twice: the second deletes find them gone.
        self.box_after(("shift+Tab", "shift+Return", "shift+Return", *TO_WORK_LIST, "ctrl+Delete"),
                       "There were errors in your batch delete: ", "No such file or directory")
        self.assertEqual(self.ls("sub"), [])
        # A click on the end button, in the window's bottom right corner, ends the program.
        DESKTOP.click((self.main.x + self.main.width - 10, self.main.y + self.main.height - 5))
        self.assertEqual(self.program.process.wait(timeout=10), 0)


class ToolWindows(DexaroTest):
    files = {"work/a.txt": "a", "work/b.TXT": "b", "work/c.log": "c", "work/target/a.txt": "x"}

    def test_sort_by_extension_comes_back_in_front_checks_its_input_and_reports_failures(self):
        tool = self.open_tool("frmMoveByExtension", *GATHER, *TO_WORK_LIST, "F9")

        def placed(window):  # directly above the main window, over its left edge
            left, _, right, bottom = window.frame
            return bottom == self.main.y and left < self.main.x < right
        self.assertTrue(placed(tool), tool.frame)
        # Moved away and opened again, it comes back there.
        DESKTOP.run("xdotool", "windowmove", str(tool.id), str(self.main.x - 300),
                    str(self.main.y - 150))
        self.click_main()
        DESKTOP.key("F9")
        wait_for(lambda: placed(self.program.window(tool.role)), "the window back in its place")
        self.expect_on_top_and_active(tool)
        # Each box gives the keyboard back to the window, where the next keys fill in what the box
        # asked for: the extension, Move, and in the target folder list target.
        for keys, *message in ((("alt+s",), "Please enter an extension"),
                               (("Tab", "t", "x", "t", "alt+s"), "Please Select an Action"),
                               (("Tab", "space", "alt+s"), "Please select a directory"),
                               (("Tab", "Tab", "Down", "Return", "alt+s"),
                                "There were errors in moving your files: ", "a.txt   File exists")):
            self.box_after(keys, *message)
        self.assertFalse(self.program.has_window("frmMoveByExtension"))
        self.assertEqual((self.ls(), self.ls("target")), (["a.txt", "c.log", "target"],
                                                          ["a.txt", "b.TXT"]))
        DESKTOP.key("alt+F4")  # the window manager's close of the main window ends the program
        self.assertEqual(self.program.process.wait(timeout=10), 0)


class LongBatches(DexaroTest):
    """A batch that runs long enough to show its progress, and what a cancel leaves."""

    start_in, files = "work/src", {"work/dst/": ""}
    SMALL, BIG = 20000, 8

    def make_files(self):
        # Small files for the count; big ones close together where the copy is about when the
        # window has come up (some 2,000 small files a second here), so that the cancel mostly
        # lands inside one.
        for i in range(self.SMALL):
            Path(self.work, f"f{i:05d}.dat").write_bytes(f"{i:05d}".encode() * 800)
        block = os.urandom(1 << 20)
        for i in range(self.BIG):
            Path(self.work, f"f{1000 + 75 * i:05d}.big").write_bytes(
                b"".join(mib.to_bytes(4, "little") + block[4:] for mib in range(128)))

    def test_a_long_copy_shows_its_progress_and_escape_cancels_it_leaving_no_part_of_a_file(self):
        # Up to work, then down to dst, and Insert in the folder list: the work list copied there.
        DESKTOP.key(*GATHER, "Tab", "Up", "Return", "Down", "Return", "Insert")
        progress = self.program.window("frmProgress")
        DESKTOP.activated(progress)  # or Escape would not reach it
        # Over the main window, Cancel and all.
        left, top, right, bottom = self.main.frame
        self.assertTrue(left <= progress.frame[0] and progress.frame[2] <= right and
                        top <= progress.frame[1] and progress.frame[3] <= bottom, progress)
        DESKTOP.screenshot(keep_as=self.artifact + "-progress.xwd")
        DESKTOP.key("Escape")
        wait_for(lambda: not self.program.has_window("frmProgress"), "the progress window to go",
                 timeout=30)
        DESKTOP.activated(self.main)
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
    files = {"work/a.txt": "a", "work/b.txt": "b", "work/c.txt": "c"}

    def test_a_new_folder_then_ctrl_z_undoes_the_last_move_then_the_last_rename_with_no_progress(self):
        # N in the folder list makes the folder the move then goes to. Alt+N types no N: had it
        # opened a box, the next N would type into it, and the folder is taken.
        for keys in ((*GATHER, "Tab", "n"), ("alt+n", "n")):
            self.program.no_dialog()
            DESKTOP.key(*keys)
            self.program.dialog()
            DESKTOP.run("xdotool", "type", "--delay", "30", "Batch", check=True)
            DESKTOP.key("Return")
        self.box_after((), "An error occured in making directory", "File exists")
        managed = DESKTOP.managed_from_now()
        DESKTOP.key("Down", "Return", "m")
        self.expect_ls(["a.txt", "b.txt", "c.txt"], "Batch")
        self.write("work/Batch/b.txt", " changed")
        # Keys wait while a batch runs: the undo's box comes up only once the move is over.
        box = self.box_after(("ctrl+z",), "There were errors in undoing your last batch: ",
                             "b.txt   Changed since, so left where it is")
        self.assertEqual(managed(), {self.main.id, self.background.id, box.id},
                         "a short batch showed a progress window")
        self.assertEqual((self.ls(), self.ls("Batch")), (["Batch", "a.txt", "c.txt"],
                                                         ["b.txt"]))
        # The files put back are in the work list again: the renamer numbers them, keeping their
        # extensions, and names the one whose new name is taken once it has closed.
        self.open_tool("frmBatchRenamer", "Tab", "Tab", "F4")
        self.write("work/photo02.txt", "taken")
        DESKTOP.key("Tab", "space", "Tab")  # Keep Extension, then the base text
        DESKTOP.run("xdotool", "type", "--delay", "30", "photo", check=True)
        self.box_after(("alt+r",), "There were errors in renaming your files: ",
                       "c.txt   File exists")
        self.assertFalse(self.program.has_window("frmBatchRenamer"))
        self.assertEqual(self.ls(), ["Batch", "c.txt", "photo01.txt", "photo02.txt"])
        DESKTOP.key("ctrl+z")
        self.expect_ls(["Batch", "a.txt", "c.txt", "photo02.txt"])
        self.assertEqual(Path(self.work, "a.txt").read_text(), "a")
        self.program.no_dialog()


if __name__ == "__main__":
    unittest.main()
