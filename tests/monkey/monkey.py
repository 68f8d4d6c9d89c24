#!/usr/bin/env python3
"""Drives the running editor with a seeded random sequence of user actions: real key and mouse
events through the X server (xdotool), outside changes to its files, kills and restarts.

Invariants, checked throughout:
- the editor never dies unless killed here, and its memory stays under a bound;
- a file on disk changes only by a save of the text the editor shows: after a quiet spell
  longer than the autosave delay, the front document's file decodes (in the encoding its
  status bar names) to the text the editor shows, and a file whose document was not in front
  while keys were typed is not touched;
- after a kill, the edits older than the autosave delay are on disk, and a restart brings the
  editor back.

  monkey.py --app BUILD/app/shell/orlune-viewer --out FOLDER --seed N (--actions N | --seconds S)
Exit status 0: clean; 1: an invariant broke (the log says which, with the seed and the step).
"""
import argparse
import os
import random
import shutil
import signal
import subprocess
import sys
import time

AUTOSAVE_SECONDS = 2.0
QUIET_SECONDS = AUTOSAVE_SECONDS + 1.5
MEMORY_LIMIT_MB = 1500

CODECS = {
    "UTF-8": "utf-8", "UTF-16 LE": "utf-16-le", "UTF-16 BE": "utf-16-be",
    "UTF-32 LE": "utf-32-le", "UTF-32 BE": "utf-32-be", "CP949": "cp949", "EUC-KR": "euc-kr",
    "Shift_JIS": "cp932", "EUC-JP": "euc-jp", "GB18030": "gb18030", "Big5": "big5",
    "Windows-1252": "cp1252", "ISO-8859-1": "latin-1", "Mac Roman": "mac-roman",
}
MARKS = {
    "utf-8": b"\xef\xbb\xbf", "utf-16-le": b"\xff\xfe", "utf-16-be": b"\xfe\xff",
    "utf-32-le": b"\xff\xfe\x00\x00", "utf-32-be": b"\x00\x00\xfe\xff",
}

# The folder of real files the editor works on: name, text, codec, mark.
FILES = [
    ("korean-cp949.txt", "한국어 문서입니다.\r\n둘째 줄: 가나다라\r\nASCII line\r\n", "cp949", False),
    ("korean-euckr.txt", "완성형 한글 텍스트\n셋째 줄\n", "euc-kr", False),
    ("utf16.txt", "UTF-16 with a mark\r\n가나 😀 café\r\n", "utf-16-le", True),
    ("japanese.txt", "日本語のテキスト\nかなカナ\n", "cp932", False),
    ("plain.txt", "plain ascii text\nwith two lines\n", "utf-8", False),
    ("notes.md", "# Title\n\n- one\n- two\n\n| a | b |\n|---|---|\n| 1 | 2 |\n", "utf-8", False),
    ("data.json", '{"b": [1, 2, {"c": null}], "a": "문자열"}\n', "utf-8", False),
    ("latin1.txt", "caf\u00e9 na\u00efve\r", "latin-1", False),
]
LOG = "growing.log"

ASCII_WORDS = ["hello", "abc", "x", "foo bar", "42", "{", "}", "\"key\": 1,", "  ", "a b c"]
KOREAN_WORDS = ["한글", "가나다", "안녕하세요", "값", "ㄱ"]


class Broken(Exception):
    pass


class Monkey:
    def __init__(self, args):
        self.args = args
        self.random = random.Random(args.seed)
        self.out = os.path.abspath(args.out)
        self.files = os.path.join(self.out, "files")
        self.status = os.path.join(self.out, "status.tsv")
        self.step = 0
        self.editor = None
        self.editor_log = None
        self.model = {}          # path -> bytes we know to be on disk
        self.touched = set()     # paths whose document was in front while keys were typed
        self.restarts = 0
        self.kills = 0
        self.checks = 0
        self.unverified = 0
        self.refused = 0
        self.followed = 0
        self.refusals_seen = {}  # path -> autosave refusals in the editor's log at the last check
        self.peak_mb = 0
        self.trace = open(os.path.join(self.out, "actions.log"), "w")

    # --- the environment -------------------------------------------------------------

    def env(self):
        env = dict(os.environ)
        home = os.path.join(self.out, "home")
        env.update({
            "HOME": home, "XDG_CONFIG_HOME": home + "/.config", "XDG_DATA_HOME": home + "/.local/share",
            "XDG_STATE_HOME": home + "/.local/state", "XDG_CACHE_HOME": home + "/.cache",
            "XDG_RUNTIME_DIR": os.path.join(self.out, "run"), "QT_QPA_PLATFORM": "xcb",
            "OLV_STATUS_REPORT": self.status,
        })
        env.pop("WAYLAND_DISPLAY", None)
        if os.getuid() == 0:
            env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        return env

    def prepare(self):
        os.makedirs(self.files, exist_ok=True)
        for sub in ("home/.config", "home/.local/share", "home/.local/state", "home/.cache"):
            os.makedirs(os.path.join(self.out, sub), exist_ok=True)
        os.makedirs(os.path.join(self.out, "run"), mode=0o700, exist_ok=True)
        for name, text, codec, mark in FILES:
            data = (MARKS.get(codec, b"") if mark else b"") + text.encode(codec)
            self.write_outside(os.path.join(self.files, name), data)
        self.write_outside(os.path.join(self.files, LOG), b"start of the log\n")

    def write_outside(self, path, data):
        with open(path, "wb") as f:
            f.write(data)
        self.model[path] = data

    def paths(self):
        return [os.path.join(self.files, name) for name, _, _, _ in FILES] + [os.path.join(self.files, LOG)]

    # --- the editor --------------------------------------------------------------------

    def start(self, files):
        self.editor_log = open(os.path.join(self.out, f"editor-{self.restarts}.log"), "w")
        self.editor = subprocess.Popen([self.args.app] + files, env=self.env(),
                                       stdout=self.editor_log, stderr=subprocess.STDOUT)
        self.restarts += 1
        deadline = time.time() + 40
        while time.time() < deadline:
            if self.front_name():
                time.sleep(1.0)
                return
            self.alive()
            time.sleep(0.2)
        raise Broken("the editor showed no window within 40 s of its start")

    def alive(self):
        if self.editor.poll() is not None:
            raise Broken(f"the editor ended by itself (status {self.editor.returncode})")
        try:
            with open(f"/proc/{self.editor.pid}/status") as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        mb = int(line.split()[1]) // 1024
                        self.peak_mb = max(self.peak_mb, mb)
                        if mb > MEMORY_LIMIT_MB:
                            raise Broken(f"the editor holds {mb} MB")
        except FileNotFoundError:
            raise Broken("the editor is gone")

    def kill(self):
        self.editor.send_signal(signal.SIGKILL)
        self.editor.wait()
        self.kills += 1
        # A killed instance leaves its socket behind; the next start decides about it.

    def xdotool(self, *arguments):
        subprocess.run(["xdotool"] + list(arguments), env=self.env(), capture_output=True, timeout=20)

    def front_window(self):
        result = subprocess.run(["xdotool", "getactivewindow"], env=self.env(), capture_output=True,
                                text=True, timeout=10)
        return result.stdout.strip()

    def front_name(self):
        window = self.front_window()
        if not window:
            return ""
        result = subprocess.run(["xdotool", "getwindowname", window], env=self.env(),
                                capture_output=True, text=True, timeout=10)
        return result.stdout.strip()

    def front_document(self):
        """The path of the front document, when the front window is a document of ours."""
        name = self.front_name()
        for path in self.paths():
            base = os.path.basename(path)
            if name == base or name.startswith(base + " ") or name.endswith(" " + base):
                return path
        return None

    def status_of(self, path):
        base = os.path.basename(path)
        if not os.path.exists(self.status):
            return None
        last = None
        with open(self.status, encoding="utf-8", errors="replace") as f:
            for line in f:
                fields = line.rstrip("\n").split("\t")
                if fields and fields[0] == base and len(fields) >= 3:
                    last = fields
        return last

    def shown_text(self):
        """The front document's text, through the clipboard (select all, copy)."""
        subprocess.run(["xclip", "-selection", "clipboard", "-i", "/dev/null"], env=self.env(), timeout=10)
        # The find bar or the filter list may hold the focus, and the filter list takes the
        # text's place in the body (a copy there copies its rows). The find bar's own Escape
        # closes the bar, and the list with it, and gives the focus back to the text; Ctrl+F
        # first puts the focus in the bar's field wherever it was (a list without a bar, or a
        # bar whose field had lost the focus to the list, would keep the list up otherwise).
        self.key("Escape")
        self.key("ctrl+f")
        time.sleep(0.2)
        self.key("Escape")
        time.sleep(0.2)
        window = self.front_window()
        if window:
            self.xdotool("mousemove", "--window", window, "500", "300", "click", "1")
            time.sleep(0.2)
        self.key("ctrl+a")
        self.key("ctrl+c")
        time.sleep(0.4)
        result = subprocess.run(["xclip", "-selection", "clipboard", "-o"], env=self.env(),
                                capture_output=True, timeout=10)
        self.key("ctrl+Home")
        return result.stdout.decode("utf-8", errors="surrogateescape") if result.returncode == 0 else None

    # --- actions -----------------------------------------------------------------------

    def key(self, chord):
        self.xdotool("key", "--clearmodifiers", chord)

    def log(self, what):
        self.trace.write(f"{self.step}\t{what}\n")
        self.trace.flush()

    def typing(self, text):
        front = self.front_document()
        if front:
            self.touched.add(front)
        self.xdotool("type", "--delay", "8", text)

    def edit_key(self, chord):
        front = self.front_document()
        if front:
            self.touched.add(front)
        self.key(chord)

    def act(self):
        r = self.random
        choice = r.choices(
            ["type", "korean", "move", "edit", "multicaret", "find", "replace", "filter", "undo",
             "tab", "lineops", "tidy", "preview", "follow", "click", "outside", "append",
             "reopen", "check", "kill"],
            weights=[14, 6, 12, 8, 4, 4, 3, 3, 6, 6, 4, 2, 2, 2, 5, 2, 3, 2, 3, 2])[0]
        self.log(choice)
        if choice == "type":
            self.typing(r.choice(ASCII_WORDS) + (r.choice(["", "\n"])))
        elif choice == "korean":
            self.typing(r.choice(KOREAN_WORDS))
        elif choice == "move":
            self.key(r.choice(["Left", "Right", "Up", "Down", "Home", "End", "ctrl+End", "ctrl+Home",
                               "shift+Right", "shift+Down", "Page_Down", "Page_Up", "ctrl+l"]))
            if r.random() < 0.1:
                self.key("Escape")
        elif choice == "edit":
            self.edit_key(r.choice(["BackSpace", "Delete", "Return", "Tab", "ctrl+x", "ctrl+v",
                                    "ctrl+bracketright", "ctrl+bracketleft"]))
        elif choice == "multicaret":
            for _ in range(r.randint(1, 3)):
                self.key(r.choice(["alt+shift+Down", "alt+shift+Up", "ctrl+d"]))
            self.typing(r.choice(ASCII_WORDS + KOREAN_WORDS))
            self.key("Escape")
        elif choice == "find":
            self.key("ctrl+f")
            self.xdotool("type", "--delay", "8", r.choice(["a", "한", "line", "e", "\\d+", "x"]))
            for _ in range(r.randint(0, 3)):
                self.key(r.choice(["Return", "ctrl+g", "shift+ctrl+g"]))
            self.key("Escape")
        elif choice == "replace":
            front = self.front_document()
            if front:
                self.touched.add(front)
            self.key("ctrl+alt+f")
            self.xdotool("type", "--delay", "8", r.choice(["a", "줄", "e"]))
            self.key("Tab")
            self.xdotool("type", "--delay", "8", r.choice(["A", "행", ""]))
            self.key(r.choice(["Return", "ctrl+alt+Return", "Escape"]))
            self.key("Escape")
        elif choice == "filter":
            self.key("ctrl+alt+g")
            self.xdotool("type", "--delay", "8", r.choice(["a", "줄", "^$", "line"]))
            time.sleep(0.3)
            self.key("Escape")
        elif choice == "undo":
            self.edit_key(r.choice(["ctrl+z", "ctrl+z", "ctrl+shift+z"]))
        elif choice == "tab":
            self.key(r.choice(["ctrl+1", "ctrl+2", "ctrl+3", "ctrl+4", "ctrl+9", "ctrl+Tab",
                               "ctrl+shift+Tab", "ctrl+Page_Down"]))
            time.sleep(0.3)
        elif choice == "lineops":
            self.edit_key(r.choice(["ctrl+shift+d", "alt+Up", "alt+Down", "ctrl+shift+k",
                                    "ctrl+alt+j", "ctrl+shift+l"]))
            self.key("Escape")
        elif choice == "tidy":
            self.edit_key("ctrl+alt+shift+f")
            time.sleep(0.5)
        elif choice == "preview":
            self.key(r.choice(["ctrl+alt+p", "ctrl+alt+shift+p"]))
            time.sleep(1.5)
        elif choice == "follow":
            self.key("ctrl+shift+f")
        elif choice == "click":
            window = self.front_window()
            if window:
                self.xdotool("mousemove", "--window", window, str(r.randint(40, 900)),
                             str(r.randint(80, 600)), "click", "1")
        elif choice == "outside":
            path = r.choice(self.paths()[:-1])
            name, text, codec, mark = next(f for f in FILES if f[0] == os.path.basename(path))
            changed = text + f"outside change {self.step}\n"
            self.write_outside(path, (MARKS.get(codec, b"") if mark else b"") + changed.encode(codec))
            self.touched.discard(path)
            time.sleep(1.0)
        elif choice == "append":
            path = os.path.join(self.files, LOG)
            with open(path, "ab") as f:
                f.write(f"log line {self.step} 한글\n".encode())
            with open(path, "rb") as f:
                self.model[path] = f.read()
        elif choice == "reopen":
            path = r.choice(self.paths())
            front = self.front_document()
            if front and r.random() < 0.5:
                self.key("ctrl+w")
                time.sleep(0.8)
                self.key("Escape")
            subprocess.run([self.args.app, path], env=self.env(), capture_output=True, timeout=40)
            time.sleep(0.8)
        elif choice == "check":
            self.checkpoint()
        elif choice == "kill":
            self.kill_and_restart()

    # --- invariants --------------------------------------------------------------------

    def changed_files(self):
        changed = []
        for path in self.paths():
            with open(path, "rb") as f:
                data = f.read()
            if data != self.model[path]:
                changed.append((path, data))
        return changed

    def decoded(self, path, data):
        status = self.status_of(path)
        if not status:
            return None
        label = status[2]
        has_mark = label.endswith(" BOM")
        codec = CODECS.get(label[:-4] if has_mark else label)
        if not codec:
            return None
        if has_mark and data.startswith(MARKS.get(codec, b"\x00")):
            data = data[len(MARKS[codec]):]
        try:
            return data.decode(codec)
        except UnicodeDecodeError:
            return None

    def refusals(self, path):
        """How many autosaves of `path` the editor's log records as failed (an encoding that
        cannot hold the text: the save refuses, the banner says so)."""
        log = os.path.join(self.out, "home/.local/state/Orlune Viewer/editor.log")
        if not os.path.exists(log):
            return 0
        needle = f"save.autosave path={path} "
        with open(log, encoding="utf-8", errors="replace") as f:
            return sum(1 for line in f if needle in line)

    def refused_since_check(self, path):
        return self.refusals(path) > self.refusals_seen.get(path, 0)

    @staticmethod
    def following(shown, text):
        """A document in follow mode shows what its file held and what was added since (after
        a marker line when the file started over), read-only; it is never saved. Its text
        then ends with the file's text, line breaks aside."""
        def lines(value):
            return value.replace("\r\n", "\n").replace("\r", "\n")
        return bool(text) and lines(shown).endswith(lines(text))

    def keep_mismatch(self, shown, data):
        with open(os.path.join(self.out, f"mismatch-{self.step}-shown.txt"), "w", errors="surrogateescape") as f:
            f.write(shown)
        with open(os.path.join(self.out, f"mismatch-{self.step}-disk.bin"), "wb") as f:
            f.write(data)
        # What the screen showed then: which view held the text that was copied.
        subprocess.run(["import", "-window", "root", os.path.join(self.out, f"mismatch-{self.step}.png")],
                       env=self.env(), capture_output=True, timeout=20)

    def checkpoint(self):
        """After a quiet spell: the front document's file is the text it shows, and only
        files whose documents were typed into changed."""
        self.key("Escape")
        time.sleep(QUIET_SECONDS)
        self.alive()
        self.checks += 1
        front = self.front_document()
        changed = self.changed_files()
        for path, data in changed:
            if path not in self.touched and path != front:
                raise Broken(f"{os.path.basename(path)} changed on disk though nothing was typed into it")
        if front:
            shown = self.shown_text()
            with open(front, "rb") as f:
                data = f.read()
            text = self.decoded(front, data)
            if not shown and text:
                # Nothing reached the clipboard (a panel kept the focus): not checked this time.
                self.unverified += 1
                self.log("unverified: nothing copied")
            elif shown is not None and text is not None and shown != text:
                # Allow one autosave more: the copy itself ran after the last quiet spell.
                time.sleep(QUIET_SECONDS)
                with open(front, "rb") as f:
                    data = f.read()
                text = self.decoded(front, data)
                if text is not None and shown != text:
                    self.keep_mismatch(shown, data)
                    if self.following(shown, text):
                        self.followed += 1
                        self.log(f"following: {os.path.basename(front)} shows its file as a log")
                    elif self.refused_since_check(front):
                        self.refused += 1
                        self.log(f"refused: {os.path.basename(front)} cannot be saved in its encoding")
                    else:
                        raise Broken(f"{os.path.basename(front)} on disk is not the text the editor shows")
        for path in self.paths():
            self.refusals_seen[path] = self.refusals(path)
        # What is on disk now is what a save wrote; it is the new model.
        for path, data in self.changed_files():
            self.model[path] = data
        self.touched = {front} if front else set()

    def kill_and_restart(self):
        front = self.front_document()
        shown = self.shown_text() if front else None
        pause = self.random.uniform(0, 2 * QUIET_SECONDS)
        time.sleep(pause)
        self.kill()
        self.log(f"killed after {pause:.1f} s")
        if front and not shown:
            self.unverified += 1
        elif front and pause >= QUIET_SECONDS:
            with open(front, "rb") as f:
                data = f.read()
            text = self.decoded(front, data)
            if text is not None and text != shown:
                self.keep_mismatch(shown, data)
                if self.following(shown, text):
                    self.followed += 1
                elif self.refused_since_check(front):
                    self.refused += 1
                    self.log(f"lost in a kill: {os.path.basename(front)} could not be saved in its encoding")
                else:
                    raise Broken(f"an edit of {os.path.basename(front)} older than the autosave delay was lost in a kill")
        for path, data in self.changed_files():
            if path in self.touched or path == front:
                self.model[path] = data
        self.start([])
        self.checkpoint()

    def run(self):
        self.prepare()
        self.start(self.paths())
        self.checkpoint()
        deadline = time.time() + self.args.seconds if self.args.seconds else None
        while True:
            if self.args.actions and self.step >= self.args.actions:
                break
            if deadline and time.time() >= deadline:
                break
            self.step += 1
            self.act()
            self.alive()
            # A dialog in front (not a document, not the editor's panels) is sent away.
            if self.step % 10 == 0 and not self.front_document():
                self.key("Escape")
        self.checkpoint()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--actions", type=int, default=0)
    parser.add_argument("--seconds", type=float, default=0)
    args = parser.parse_args()
    if os.path.exists(args.out):
        shutil.rmtree(args.out)
    os.makedirs(args.out)
    monkey = Monkey(args)
    started = time.time()
    try:
        monkey.run()
        outcome, status = "clean", 0
    except Broken as broken:
        outcome, status = f"BROKEN at step {monkey.step}: {broken}", 1
    except subprocess.TimeoutExpired as hung:
        outcome, status = f"BROKEN at step {monkey.step}: no answer within {hung.timeout} s from {hung.cmd[0]}", 1
    finally:
        if monkey.editor and monkey.editor.poll() is None:
            monkey.editor.terminate()
            try:
                monkey.editor.wait(timeout=10)
            except subprocess.TimeoutExpired:
                monkey.editor.kill()
    print(f"monkey: seed {args.seed}, {monkey.step} actions in {time.time() - started:.0f} s, "
          f"{monkey.checks} checks ({monkey.unverified} unverified), {monkey.kills} kills, {monkey.refused} refused autosaves, {monkey.followed} followed, peak {monkey.peak_mb} MB: {outcome}")
    return status


if __name__ == "__main__":
    sys.exit(main())
