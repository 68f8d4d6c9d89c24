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
# The editor with the processes it started (the web engine's, for the preview).
TREE_MEMORY_LIMIT_MB = 3000

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
# The same words as keys of the two-set Korean layout, typed through the input method.
KOREAN_KEYS = {"한글": "gksrmf", "가나다": "rkskek", "안녕하세요": "dkssudgktpdy", "값": "rkqt", "ㄱ": "r"}
# What ends a composition in progress: nothing (the input method is switched off, which
# commits), a click in the text, a switch to the next tab and back, or a shortcut.
INTERRUPTIONS = ["commit", "click", "tab", "shortcut"]
INTERRUPTING_SHORTCUTS = ["ctrl+End", "ctrl+Home", "ctrl+f", "ctrl+s", "ctrl+l", "ctrl+a"]


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
        self.peak_mb = 0
        self.peak_tree_mb = 0
        self.changed_outside = set()  # paths written here since their text was last seen saved
        # path -> what a follower of the file reads after its last rewrite here: the text past
        # the old end of the file ("" when it did not grow)
        self.rewritten = {}
        self.held = 0
        self.trace = open(os.path.join(self.out, "actions.log"), "w")
        self.bus = None          # (address, pid) of the session bus of the input method
        self.input_method = None # the fcitx5 process, when Korean goes through it
        self.compositions = 0    # Korean typed through the input method
        self.composition_checks = 0
        self.keysym_korean = 0   # Korean typed as keysyms (no input method, or it was off)

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
        # What the editor hands to the desktop (a folder to show, a link of the preview) is
        # written down, not opened: another program would take the focus and the keys.
        env["PATH"] = os.path.join(self.out, "bin") + os.pathsep + env.get("PATH", "")
        if self.input_method:
            env.update({"DBUS_SESSION_BUS_ADDRESS": self.bus[0], "QT_IM_MODULE": "fcitx",
                        "XMODIFIERS": "@im=fcitx"})
        else:
            for name in ("QT_IM_MODULE", "XMODIFIERS", "GTK_IM_MODULE"):
                env.pop(name, None)
        if os.getuid() == 0:
            env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        return env

    def prepare(self):
        os.makedirs(self.files, exist_ok=True)
        os.makedirs(os.path.join(self.out, "bin"), exist_ok=True)
        for opener in ("xdg-open", "gio", "kde-open", "kde-open5", "gnome-open"):
            shim = os.path.join(self.out, "bin", opener)
            with open(shim, "w") as f:
                f.write(f'#!/bin/sh\necho "{opener} $*" >> "{os.path.join(self.out, "opened.log")}"\n')
            os.chmod(shim, 0o755)
        for sub in ("home/.config", "home/.local/share", "home/.local/state", "home/.cache"):
            os.makedirs(os.path.join(self.out, sub), exist_ok=True)
        os.makedirs(os.path.join(self.out, "run"), mode=0o700, exist_ok=True)
        for name, text, codec, mark in FILES:
            data = (MARKS.get(codec, b"") if mark else b"") + text.encode(codec)
            self.write_outside(os.path.join(self.files, name), data)
        self.write_outside(os.path.join(self.files, LOG), b"start of the log\n")

    # --- the input method ------------------------------------------------------------

    def start_input_method(self):
        """fcitx5 with its Korean engine on a session bus of our own, when both are installed
        (they are not needed: without them Korean is typed as keysyms, no composition) and
        MONKEY_IM is not "none"."""
        wanted = os.environ.get("MONKEY_IM", "auto")
        plugins = ["/usr/lib/x86_64-linux-gnu/qt6/plugins/platforminputcontexts/libfcitx5platforminputcontextplugin.so"]
        present = (shutil.which("fcitx5") and shutil.which("fcitx5-remote") and shutil.which("dbus-daemon")
                   and os.path.exists("/usr/share/fcitx5/inputmethod/hangul.conf")
                   and any(os.path.exists(p) for p in plugins))
        if wanted == "none" or not present:
            return "none (Korean typed as keysyms)" + ("" if wanted == "none" else ": fcitx5, fcitx5-hangul or fcitx5-frontend-qt6 is not installed")
        config = os.path.join(self.out, "home/.config/fcitx5")
        os.makedirs(config, exist_ok=True)
        with open(os.path.join(config, "profile"), "w") as f:
            f.write("[Groups/0]\nName=Default\nDefault Layout=us\nDefaultIM=hangul\n\n"
                    "[Groups/0/Items/0]\nName=keyboard-us\nLayout=\n\n"
                    "[Groups/0/Items/1]\nName=hangul\nLayout=\n\n[GroupOrder]\n0=Default\n")
        # No key of its own switches it (the monkey switches it with fcitx5-remote), and one
        # state for every window. Nor does it take any other key the editor has a use for:
        # its default Ctrl+Alt+P ("toggle embedded preedit") is the editor's preview, and
        # taken by fcitx5 it turned the composition in the text off, so that the syllables
        # were drawn by fcitx5 in a box of its own under the caret, unknown to the editor, and
        # committed wherever the caret was when fcitx5 was switched off (seed 2026, step 201).
        with open(os.path.join(config, "config"), "w") as f:
            f.write("[Hotkey]\nEnumerateWithTriggerKeys=False\n[Hotkey/TriggerKeys]\n"
                    "[Hotkey/AltTriggerKeys]\n[Hotkey/EnumerateForwardKeys]\n"
                    "[Hotkey/EnumerateBackwardKeys]\n[Hotkey/ActivateKeys]\n[Hotkey/DeactivateKeys]\n"
                    "[Hotkey/EnumerateGroupForwardKeys]\n[Hotkey/EnumerateGroupBackwardKeys]\n"
                    "[Hotkey/TogglePreedit]\n"
                    "[Behavior]\nShareInputState=All\nPreeditEnabledByDefault=True\n")
        # Started again when it gives up at once: fcitx5 once ended at its start ("Unable to
        # request dbus name") on a bus of its own while another run started its own, and the
        # whole run then typed Korean as keysyms.
        for attempt in range(3):
            bus = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                                 env=self.env(), capture_output=True, text=True, timeout=20)
            lines = bus.stdout.split()
            if bus.returncode != 0 or len(lines) < 2:
                return "none (Korean typed as keysyms): no session bus for fcitx5"
            self.bus = (lines[0], int(lines[1]))
            env = self.env()
            env["DBUS_SESSION_BUS_ADDRESS"] = self.bus[0]
            self.input_method = subprocess.Popen(
                ["fcitx5", "--disable=wayland,notificationitem,kimpanel,clipboard,quickphrase,unicode,imselector"],
                env=env, stdout=open(os.path.join(self.out, f"fcitx5{'-' + str(attempt) if attempt else ''}.log"), "w"),
                stderr=subprocess.STDOUT)
            deadline = time.time() + 20
            while time.time() < deadline:
                if self.input_method.poll() is not None:
                    break
                if self.remote().returncode == 0 and self.remote("-n").stdout.strip():
                    return "fcitx5 with fcitx5-hangul (Korean composed through the input method)"
                time.sleep(0.3)
            self.stop_input_method()
            time.sleep(1.0)
        return "none (Korean typed as keysyms): fcitx5 did not answer"

    def remote(self, *arguments):
        env = dict(os.environ)
        env["DBUS_SESSION_BUS_ADDRESS"] = self.bus[0]
        return subprocess.run(["fcitx5-remote"] + list(arguments), env=env, capture_output=True,
                              text=True, timeout=10)

    def stop_input_method(self):
        if self.input_method and self.input_method.poll() is None:
            self.input_method.terminate()
            try:
                self.input_method.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.input_method.kill()
        self.input_method = None
        if self.bus:
            try:
                os.kill(self.bus[1], signal.SIGTERM)
            except ProcessLookupError:
                pass
            self.bus = None

    def compose(self, word):
        """Types `word` through the input method, leaving its last syllable in composition;
        False when there is none (or it would not switch on): then nothing was typed."""
        if not self.input_method:
            return False
        self.remote("-o")
        if self.remote().stdout.strip() != "2":
            return False
        self.compositions += 1
        self.xdotool("key", "--delay", "20", *KOREAN_KEYS[word])
        time.sleep(0.2)
        return True

    def end_composition(self):
        """Switching the input method off commits what is still in composition."""
        if self.input_method:
            self.remote("-c")
            time.sleep(0.1)

    def type_korean(self, word):
        front = self.front_document()
        if front:
            self.touched.add(front)
        if self.compose(word):
            self.end_composition()
        else:
            self.keysym_korean += 1
            self.type_text(word)

    def korean(self, word):
        """Korean typed at the start of the text (through the input method when there is one),
        the composition ended by a click, a tab switch, a shortcut or a commit. The text is then
        the word, or the word without its last syllable when the interruption dropped it,
        before what it held: never a syllable twice. The details come from a generator of
        their own, so that the actions of a seed are the same with or without one."""
        r = random.Random(self.args.seed * 1000003 + self.step)
        interruption = r.choice(INTERRUPTIONS)
        checked = r.random() < 0.5
        front = self.front_document()
        if front:
            self.touched.add(front)
        before = self.shown_text() if front and checked else None
        self.log(f"korean {word} ended by {interruption}" + (" (checked)" if before is not None else ""))
        if before is not None:
            self.log(f"windows: {', '.join(self.our_windows())}")
        composing = self.compose(word)
        if not composing:
            self.keysym_korean += 1
            self.type_text(word)
        if interruption == "click":
            window = self.front_window()
            if window:
                self.xdotool("mousemove", "--window", window, str(r.randint(200, 900)),
                             str(r.randint(150, 500)), "click", "1")
        elif interruption == "tab":
            # To another tab by its number, then back to this one, found by trying the numbers.
            self.key(f"ctrl+{r.randint(1, 4)}")
            time.sleep(0.3)
            for number in range(1, 10):
                if not front or self.front_document() == front:
                    break
                self.key(f"ctrl+{number}")
                time.sleep(0.2)
        elif interruption == "shortcut":
            self.key(r.choice(INTERRUPTING_SHORTCUTS))
        time.sleep(0.3)
        self.end_composition()
        if before is None:
            return
        if self.front_document() != front:
            # A shortcut's dialog (go to line, save as) is sent away first.
            self.key("Escape")
            time.sleep(0.5)
        if self.front_document() != front:
            self.log(f"not checked: {os.path.basename(self.front_document() or '(no document)')} is in front")
            return
        after = self.shown_text()
        if not after and before:
            self.unverified += 1
            self.log("unverified: nothing copied")
            return
        self.composition_checks += 1
        allowed = {word + before, before}
        if composing:
            allowed.add(word[:-1] + before)
        self.log("composition checked")
        # The growing log, when it is followed, may have taken lines appended before the
        # composition meanwhile: after what the composition left.
        grown = os.path.basename(front) == LOG and any(after.startswith(text) for text in allowed)
        if after not in allowed and not grown:
            self.keep_mismatch(after, before.encode("utf-8", errors="surrogateescape"))
            raise Broken(f"typing {word} and a {interruption} during its composition left "
                         f"{after[:len(word) + 12]!r} at the start of {os.path.basename(front)} "
                         f"(the editor's windows: {', '.join(self.our_windows())})")

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

    @staticmethod
    def resident_mb(pid):
        try:
            with open(f"/proc/{pid}/status") as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1]) // 1024
        except (FileNotFoundError, ProcessLookupError):
            return None
        return 0

    def descendants(self, pid):
        parents = {}
        for entry in os.listdir("/proc"):
            if entry.isdigit():
                try:
                    with open(f"/proc/{entry}/stat") as f:
                        parents[int(entry)] = int(f.read().rsplit(")", 1)[1].split()[1])
                except (OSError, IndexError, ValueError):
                    pass
        found, todo = [], [pid]
        while todo:
            parent = todo.pop()
            children = [child for child, of in parents.items() if of == parent]
            found += children
            todo += children
        return found

    def alive(self):
        if self.editor.poll() is not None:
            raise Broken(f"the editor ended by itself (status {self.editor.returncode})")
        mb = self.resident_mb(self.editor.pid)
        if mb is None:
            raise Broken("the editor is gone")
        self.peak_mb = max(self.peak_mb, mb)
        if mb > MEMORY_LIMIT_MB:
            raise Broken(f"the editor holds {mb} MB")
        tree = mb + sum(self.resident_mb(child) or 0 for child in self.descendants(self.editor.pid))
        self.peak_tree_mb = max(self.peak_tree_mb, tree)
        if tree > TREE_MEMORY_LIMIT_MB:
            raise Broken(f"the editor and its processes hold {tree} MB")

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
        # A document edited since its last save has a "*" before its name.
        if name.startswith("*"):
            name = name[1:]
        for path in self.paths():
            base = os.path.basename(path)
            # Exactly: a document restored after a kill from edits its file could not take is
            # named after the file ("name — 저장 못 한 고침") but is not the file.
            if name == base:
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

    def our_windows(self):
        """The names of the editor's visible windows, the active one marked: which of its
        windows held the keys when a check broke."""
        if not self.editor:
            return []
        ours = {self.editor.pid, *self.descendants(self.editor.pid)}
        active = self.front_window()
        windows = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."], env=self.env(),
                                 capture_output=True, text=True, timeout=10).stdout.split()
        names = []
        for window in windows:
            pid = subprocess.run(["xdotool", "getwindowpid", window], env=self.env(),
                                 capture_output=True, text=True, timeout=10).stdout.strip()
            if not pid.isdigit() or int(pid) not in ours:
                continue
            name = subprocess.run(["xdotool", "getwindowname", window], env=self.env(),
                                  capture_output=True, text=True, timeout=10).stdout.strip()
            names.append(("(active) " if window == active else "") + (name or "(no name)"))
        return names

    def foreign_windows(self):
        """The names of the visible windows on the display that belong to no process of this
        run: another program on the same display takes the focus and the keys."""
        ours = set()
        if self.editor:
            ours = {self.editor.pid, *self.descendants(self.editor.pid)}
        windows = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."], env=self.env(),
                                 capture_output=True, text=True, timeout=10).stdout.split()
        names = set()
        for window in windows:
            pid = subprocess.run(["xdotool", "getwindowpid", window], env=self.env(),
                                 capture_output=True, text=True, timeout=10).stdout.strip()
            if pid.isdigit() and int(pid) in ours:
                continue
            name = subprocess.run(["xdotool", "getwindowname", window], env=self.env(),
                                  capture_output=True, text=True, timeout=10).stdout.strip()
            if name:
                names.add(name)
        return sorted(names)

    # --- actions -----------------------------------------------------------------------

    def type_text(self, text):
        """Types `text` as keysyms. A character the keyboard map lacks is typed by remapping a
        spare key for it, and the editor reads the new map a moment later: typed faster than
        that, such characters are lost or repeated. They go slowly."""
        self.xdotool("type", "--delay", "8" if text.isascii() else "80", text)

    def key(self, chord):
        self.xdotool("key", "--clearmodifiers", chord)

    def log(self, what):
        self.trace.write(f"{self.step}\t{what}\n")
        self.trace.flush()

    def typing(self, text):
        front = self.front_document()
        if front:
            self.touched.add(front)
        self.type_text(text)

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
            self.korean(r.choice(KOREAN_WORDS))
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
            word = r.choice(ASCII_WORDS + KOREAN_WORDS)
            if word in KOREAN_KEYS:
                self.type_korean(word)
            else:
                self.typing(word)
            self.key("Escape")
        elif choice == "find":
            self.key("ctrl+f")
            self.type_text(r.choice(["a", "한", "line", "e", "\\d+", "x"]))
            for _ in range(r.randint(0, 3)):
                self.key(r.choice(["Return", "ctrl+g", "shift+ctrl+g"]))
            self.key("Escape")
        elif choice == "replace":
            front = self.front_document()
            if front:
                self.touched.add(front)
            self.key("ctrl+alt+f")
            self.type_text(r.choice(["a", "줄", "e"]))
            self.key("Tab")
            self.type_text(r.choice(["A", "행", ""]))
            self.key(r.choice(["Return", "ctrl+alt+Return", "Escape"]))
            self.key("Escape")
        elif choice == "filter":
            self.key("ctrl+alt+g")
            self.type_text(r.choice(["a", "줄", "^$", "line"]))
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
            x, y = r.randint(40, 900), r.randint(80, 600)
            # Some clicks go to the status bar's segments instead, and take an item of the menu
            # they pop up: encoding (convert, reopen as, byte-order mark, the chooser), line
            # endings, indentation, language. Drawn apart, so the actions of a seed stay.
            aside = random.Random(self.args.seed * 1000033 + self.step)
            if window and aside.random() < 0.4:
                self.status_menu(window, aside)
            elif window:
                self.xdotool("mousemove", "--window", window, str(x), str(y), "click", "1")
        elif choice == "outside":
            path = r.choice(self.paths()[:-1])
            name, text, codec, mark = next(f for f in FILES if f[0] == os.path.basename(path))
            changed = text + f"outside change {self.step}\n"
            with open(path, "rb") as f:
                old_size = len(f.read())
            data = (MARKS.get(codec, b"") if mark else b"") + changed.encode(codec)
            self.write_outside(path, data)
            # Rewritten in place (the same file, not shorter): a document following it reads it
            # on from where it was, as tail -f does, so it shows what it showed with the bytes
            # past the old end after it. At least its last line, when it grew.
            if len(data) >= old_size:
                self.rewritten[path] = f"outside change {self.step}\n" if len(data) > old_size else ""
            else:
                self.rewritten.pop(path, None)
            self.touched.discard(path)
            self.changed_outside.add(path)
            time.sleep(1.0)
        elif choice == "append":
            path = os.path.join(self.files, LOG)
            with open(path, "ab") as f:
                f.write(f"log line {self.step} 한글\n".encode())
            with open(path, "rb") as f:
                self.model[path] = f.read()
            # An outside change like any other: a document holding unsaved edits keeps them apart.
            self.changed_outside.add(path)
        elif choice == "reopen":
            path = r.choice(self.paths())
            front = self.front_document()
            # Drawn whether or not a document is in front, so that the actions after it stay
            # those of the seed.
            closes = r.random() < 0.5
            if front and closes:
                self.key("ctrl+w")
                time.sleep(0.8)
                self.key("Escape")
            subprocess.run([self.args.app, path], env=self.env(), capture_output=True, timeout=40)
            time.sleep(0.8)
        elif choice == "check":
            self.checkpoint()
        elif choice == "kill":
            self.kill_and_restart()

    def status_menu(self, window, r):
        geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], env=self.env(),
                                  capture_output=True, text=True, timeout=10).stdout
        sizes = dict(line.split("=", 1) for line in geometry.split() if "=" in line)
        height = int(sizes.get("HEIGHT", "0"))
        if height < 100:
            return
        front = self.front_document()
        if front:
            self.touched.add(front)
        x = r.randint(40, 260)
        downs = r.randint(1, 8)
        self.log(f"status bar at x {x}, item {downs}")
        self.xdotool("mousemove", "--window", window, str(x), str(height - 12), "click", "1")
        time.sleep(0.5)
        for _ in range(downs):
            self.key("Down")
        self.key("Return")
        time.sleep(0.8)
        # A question (characters the encoding cannot hold, unsaved edits) or the chooser:
        # answered at random, else sent away.
        if r.random() < 0.5:
            self.key("Return")
            time.sleep(0.5)
        self.key("Escape")
        self.key("Escape")

    # --- invariants --------------------------------------------------------------------

    def changed_files(self):
        changed = []
        for path in self.paths():
            with open(path, "rb") as f:
                data = f.read()
            if data != self.model[path]:
                changed.append((path, data))
        return changed

    def codec_of(self, path):
        """The codec of the encoding the status bar names for `path`, and whether it names a
        mark; None when it names none we know."""
        status = self.status_of(path)
        if not status:
            return None, False
        label = status[2]
        has_mark = label.endswith(" BOM")
        return CODECS.get(label[:-4] if has_mark else label), has_mark

    def decoded(self, path, data):
        codec, has_mark = self.codec_of(path)
        if not codec:
            return None
        if has_mark and data.startswith(MARKS.get(codec, b"\x00")):
            data = data[len(MARKS[codec]):]
        try:
            return data.decode(codec)
        except UnicodeDecodeError:
            return None

    def held_apart(self, path, data, edited=None):
        """The file was changed outside while its document held edits not yet saved: the
        editor keeps the edits and leaves the file as it was written outside (it says so
        and asks), and shows the document as edited."""
        if edited is None:
            edited = self.front_name().startswith("*")
        return path in self.changed_outside and data == self.model[path] and edited

    def save_refused(self, path, shown, data):
        """The shown text is one the file's encoding cannot hold: its saves refuse (the
        editor's log says so, the banner too), and the file keeps what was last saved, whole
        (it decodes; the caller has decoded it)."""
        codec, _ = self.codec_of(path)
        if not codec:
            return False
        try:
            shown.encode(codec)
            return False
        except UnicodeEncodeError:
            pass
        log = os.path.join(self.out, "home/.local/state/Orlune Viewer/editor.log")
        if not os.path.exists(log):
            return False
        needle = f"save.autosave path={path} "
        with open(log, encoding="utf-8", errors="replace") as f:
            return any(needle in line and "unencodable" in line for line in f)

    def following(self, shown, text, path=None):
        """A document in follow mode shows what its file held and what was added since (after
        a marker line when the file started over), read-only; it is never saved. Its text
        then ends with the file's text, line breaks aside; or, when the file was rewritten
        here in place without shrinking (which a follower, like tail -f, cannot tell from an
        append), with what lay past the file's old end."""
        def lines(value):
            return value.replace("\r\n", "\n").replace("\r", "\n")
        if bool(text) and lines(shown).endswith(lines(text)):
            return True
        tail = self.rewritten.get(path)
        return tail is not None and lines(shown).endswith(lines(tail))

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
                    if self.following(shown, text, front):
                        self.followed += 1
                        self.log(f"following: {os.path.basename(front)} shows its file as a log")
                    elif self.save_refused(front, shown, data):
                        self.refused += 1
                        self.log(f"refused: {os.path.basename(front)} cannot be saved in its encoding")
                    elif self.held_apart(front, data):
                        self.held += 1
                        self.log(f"held: {os.path.basename(front)} keeps its edits apart from the outside change")
                    else:
                        raise Broken(f"{os.path.basename(front)} on disk is not the text the editor shows")
            if shown is not None and text is not None and shown == text:
                self.changed_outside.discard(front)
                self.rewritten.pop(front, None)
        # What is on disk now is what a save wrote; it is the new model.
        for path, data in self.changed_files():
            self.model[path] = data
        self.touched = {front} if front else set()

    def kill_and_restart(self):
        front = self.front_document()
        shown = self.shown_text() if front else None
        # Whether it showed unsaved edits, asked while it can still be asked.
        edited = self.front_name().startswith("*")
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
                if self.following(shown, text, front):
                    self.followed += 1
                elif self.save_refused(front, shown, data):
                    self.refused += 1
                    self.log(f"lost in a kill: {os.path.basename(front)} could not be saved in its encoding")
                elif self.held_apart(front, data, edited):
                    self.held += 1
                    self.log(f"killed while {os.path.basename(front)} kept its edits apart from the outside change")
                else:
                    raise Broken(f"an edit of {os.path.basename(front)} older than the autosave delay was lost in a kill")
        for path, data in self.changed_files():
            if path in self.touched or path == front:
                self.model[path] = data
        self.start([])
        self.checkpoint()

    def run(self):
        self.prepare()
        self.im = self.start_input_method()
        print(f"monkey: input method: {self.im}", flush=True)
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

    def stop(number, frame):
        raise Broken(f"stopped by signal {number}")
    # Ended from outside, the run still stops the editor and the input method it started.
    signal.signal(signal.SIGTERM, stop)
    try:
        monkey.run()
        outcome, status = "clean", 0
    except Broken as broken:
        outcome, status = f"BROKEN at step {monkey.step}: {broken}", 1
        try:
            foreign = monkey.foreign_windows()
        except (OSError, subprocess.TimeoutExpired):
            foreign = []
        if foreign:
            outcome += f" (windows of other programs were on the display: {', '.join(foreign)})"
    except subprocess.TimeoutExpired as hung:
        outcome, status = f"BROKEN at step {monkey.step}: no answer within {hung.timeout} s from {hung.cmd[0]}", 1
    finally:
        monkey.stop_input_method()
        if monkey.editor and monkey.editor.poll() is None:
            monkey.editor.terminate()
            try:
                monkey.editor.wait(timeout=10)
            except subprocess.TimeoutExpired:
                monkey.editor.kill()
    print(f"monkey: seed {args.seed}, {monkey.step} actions in {time.time() - started:.0f} s, "
          f"{monkey.checks} checks ({monkey.unverified} unverified), {monkey.kills} kills, {monkey.refused} refused autosaves, {monkey.held} held apart from an outside change, {monkey.followed} followed, "
          f"{monkey.compositions + monkey.keysym_korean} Korean words ({monkey.compositions} composed through the input method, "
          f"{monkey.composition_checks} checked), "
          f"{monkey.restarts} starts, peak {monkey.peak_mb} MB "
          f"({monkey.peak_tree_mb} MB with its processes): {outcome}")
    return status


if __name__ == "__main__":
    sys.exit(main())
