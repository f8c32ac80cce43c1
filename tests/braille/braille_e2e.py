#!/usr/bin/python3
"""End to end with a real BRLTTY: its Virtual driver (-b vr) connects to a scripted display
of this test's own on a Unix socket; the program reaches BRLTTY through BrlAPI on a private
port. The display announces its size, records every "Braille" line BRLTTY sends it and types
with "PassDots", "PassChar", "KEY_ENTER", "Route" and "FwinLt"/"FwinRt".

Usage: braille_e2e.py TOVANA_EXECUTABLE DATA_DIR terminal|window|comeback

  terminal  the terminal host: the clearing's text shows after the start; "vezmi dopis"
            typed as chords on the display plus its Enter gives the answer; the window
            follows the cursor, pans and routes on the input line.
  window    the main window under Xvfb: after Ctrl+S the clearing's text shows; "v" typed
            on the display and its Enter goes east; the review window shows its line with
            the review position, pans, and its routing key moves the position.
  comeback  the terminal host started before BRLTTY: the display is found when BRLTTY
            comes, and again after BRLTTY has been stopped and started anew.
"""
import os, re, select, shutil, signal, socket, subprocess, sys, tempfile, time

EXE = os.path.realpath(sys.argv[1])
DATA = sys.argv[2]
SCENARIO = sys.argv[3]
WAIT = 30  # seconds for any one expected display line, on a loaded two-core machine


def table(path):
    """The plain and capitals cells of czech.ebt, as this test reads the file itself."""
    cells = {" ": 0}
    section = None
    with open(path, encoding="cp1250") as f:
        for line in f.read().splitlines():
            if line.startswith("["):
                section = line[1:-1]
                continue
            if section not in ("characters", "#cap") or "=" not in line[1:]:
                continue
            char, dots = line.split("=", 1)
            if len(char) != 1 or not dots or not set(dots) <= set("123456"):
                continue
            cell = sum(1 << (int(d) - 1) for d in dots) | (0x40 if section == "#cap" else 0)
            cells.setdefault(char, cell)
    return cells


CELLS = table(os.path.join(DATA, "czech.ebt"))
DOTS = {c: "".join(str(d + 1) for d in range(6) if CELLS[c] >> d & 1) for c in CELLS}


def expect_cells(text, width, cursor=None):
    cells = [CELLS[c] for c in text[:width]] + [0] * max(0, width - len(text))
    if cursor is not None and 0 <= cursor < width:
        cells[cursor] |= 0xC0
    return cells


def parse_braille(line):
    out = []
    for cell in line.split("|"):
        out.append(sum(1 << (int(d) - 1) for d in cell.strip()))
    return out


class Display:
    def __init__(self, path, width):
        self.width = width
        self.listener = socket.socket(socket.AF_UNIX)
        self.listener.bind(path)
        self.listener.listen(1)
        self.conn = None
        self.buffer = b""
        self.lines = []  # every Braille line received, as cell lists

    def accept(self, timeout=WAIT):
        self.listener.settimeout(timeout)
        self.conn, _ = self.listener.accept()
        self.conn.sendall(b"cells %d\n" % self.width)

    def pump(self, timeout):
        ready, _, _ = select.select([self.conn], [], [], timeout)
        if not ready:
            return
        data = self.conn.recv(65536)
        if not data:
            raise RuntimeError("BRLTTY closed the display's connection")
        self.buffer += data
        while b"\n" in self.buffer:
            line, self.buffer = self.buffer.split(b"\n", 1)
            m = re.match(rb'Braille "(.*)"', line.strip())
            if m:
                self.lines.append(parse_braille(m.group(1).decode()))

    def wait_for(self, cells, what, since=0):
        """Waits until BRLTTY has shown `cells`; returns the index of that line."""
        deadline = time.time() + WAIT
        seen = since
        while time.time() < deadline:
            for i in range(seen, len(self.lines)):
                if self.lines[i][: self.width] == cells:
                    return i + 1
            seen = len(self.lines)
            self.pump(0.2)
        shown = self.lines[-1] if self.lines else None
        raise AssertionError("display never showed %s\n expected %s\n last     %s" % (what, cells, shown))

    def send(self, command):
        self.conn.sendall(command.encode() + b"\n")

    def changed(self, count):
        """Waits for a line after the first `count`: BRLTTY takes one key at a time."""
        deadline = time.time() + WAIT
        while len(self.lines) == count and time.time() < deadline:
            self.pump(0.2)
        assert len(self.lines) > count, "the display showed nothing new"

    def type(self, text):
        # Each character moves the cursor, so each one shows before the next is sent.
        for c in text:
            count = len(self.lines)
            self.send("PassChar 32" if c == " " else "PassDots 0x%x" % CELLS[c])
            self.changed(count)


def read_back(display, text, at):
    """Pans left from the input line up the screen until the line that starts with `text`
    shows from its start; returns where it was seen."""
    cells = expect_cells(text, display.width)
    for _ in range(60):
        count = len(display.lines)
        display.send("FwinLt")
        display.changed(count)
        if display.lines[-1][: display.width] == cells:
            return len(display.lines)
    raise AssertionError("panning left never reached: " + text)


def free_port():
    for n in range(40, 400):
        with socket.socket() as s:
            try:
                s.bind(("127.0.0.1", 4101 + n))
                return n
            except OSError:
                continue
    raise RuntimeError("no free BrlAPI port")


work = tempfile.mkdtemp(prefix="tovana-braille-")
processes = []


def start(args, **kw):
    p = subprocess.Popen(args, **kw)
    processes.append(p)
    return p


def stop(p):
    if p.poll() is None:
        p.terminate()
        try:
            p.wait(10)
        except subprocess.TimeoutExpired:
            p.kill()
            p.wait()


def cleanup():
    for p in reversed(processes):
        stop(p)
    shutil.rmtree(work, ignore_errors=True)


def brltty(sock, port):
    # -n: stay in the foreground; -x no, -s no: no screen, no speech; -A: BrlAPI on our
    # own port without a key. BRLTTY writes its state below /var/lib/brltty: a private
    # folder, so two tests never share one.
    return start(["brltty", "-n", "-b", "vr", "-d", "client:" + sock, "-x", "no", "-s", "no",
                  "-A", "auth=none,host=127.0.0.1:%d" % port, "-W", work, "-U", work, "-f", "/dev/null",
                  "-e"],
                 stdout=subprocess.DEVNULL, stderr=open(os.path.join(work, "brltty.log"), "a"))


def wait_output(text):
    """Waits until the terminal host has printed `text`: the next INPUT then follows at
    once, with nothing between that waits."""
    deadline = time.time() + WAIT
    while text not in open(os.path.join(work, "out.txt"), encoding="utf-8").read():
        assert time.time() < deadline, "the terminal never printed " + text
        time.sleep(0.1)
    time.sleep(0.5)


def pan_right_to(display, cells, what, at):
    """Pans right until the display shows `cells`; returns where it was seen."""
    for _ in range(400):
        if display.lines and display.lines[-1][: display.width] == cells:
            return len(display.lines)
        count = len(display.lines)
        display.send("FwinRt")
        display.changed(count)
    raise AssertionError("panning right never reached " + what)


def prepare_workdir():
    exe_dir = os.path.dirname(EXE)
    for name in ("data.dta", "sounds.dat", "czech.ebt", "czech.eky"):
        shutil.copy(os.path.join(exe_dir, name), work)
    with open(os.path.join(work, "tovana.ini"), "w") as f:
        f.write("[voice]\nvoiceallowed=0\n")


CLEARING = "stojíš na malé mýtině. ve skalní stěně je malý průchod"
OPENING = "maska slunečního boha, textová dobrodružná hra pro tovanu"
OPENING_END = "můžeš jít na východ."
CORRIDOR = "jsi na začátku širokého koridoru. v podlaze ústí větrací"


def console(port):
    env = dict(os.environ, BRLAPI_HOST="127.0.0.1:%d" % port, BRLAPI_AUTH="none",
               ALSOFT_DRIVERS="null")
    return start([EXE, "--console", "--config", os.path.join(work, "tovana.ini")], cwd=work,
                 env=env, stdin=subprocess.PIPE, stdout=open(os.path.join(work, "out.txt"), "w"),
                 stderr=subprocess.STDOUT)


def terminal():
    width = 10
    sock = os.path.join(work, "display.sock")
    display = Display(sock, width)
    port = free_port()
    brltty(sock, port)
    display.accept()
    app = console(port)
    # The program waits with the opening on the display, from its first line.
    at = display.wait_for(expect_cells(OPENING, width), "the opening's first line")
    wait_output(OPENING_END)
    # A braille key goes straight to the input line.
    display.type("vezmi dopis")
    # Eleven characters on ten cells: the window has followed the cursor to its second part.
    at = display.wait_for(expect_cells("s", width, 1), "the input line's end with the cursor", at)
    display.send("FwinLt")
    at = display.wait_for(expect_cells("vezmi dopi", width), "the input line panned left", at)
    # The Virtual driver hands its cell number over unchanged: Route 2 is the third cell.
    display.send("Route 2")
    at = display.wait_for(expect_cells("vezmi dopi", width, 2), "the cursor routed to z", at)
    display.send("FwinRt")
    at = display.wait_for(expect_cells("s", width), "the input line panned right", at)
    display.send("Route 1")
    at = display.wait_for(expect_cells("s", width, 1), "the cursor routed to the end", at)
    display.send("KEY_ENTER")
    # The answer is printed and the next INPUT waits on it; past it, the input line.
    at = display.wait_for(expect_cells("vzal jsi dopis", width), "the answer", at)
    at = pan_right_to(display, expect_cells("", width, 0), "the next input line", at)
    read_back(display, "vzal jsi dopis", at)
    app.stdin.close()
    app.wait(WAIT)
    out = open(os.path.join(work, "out.txt"), encoding="utf-8").read()
    assert "vzal jsi dopis" in out, out
    print("terminal: %d display lines, the answer came" % len(display.lines))


def comeback():
    width = 20
    sock = os.path.join(work, "display.sock")
    display = Display(sock, width)
    port = free_port()
    # The program first, with no BRLTTY to be found: it must start and print as ever.
    app = console(port)
    wait_output(OPENING_END)
    first = brltty(sock, port)
    display.accept()
    at = display.wait_for(expect_cells(OPENING, width), "the opening once BRLTTY came")
    stop(first)
    display.conn.close()
    second = brltty(sock, port)
    display.accept()
    display.lines.clear()
    display.wait_for(expect_cells(OPENING, width), "the opening after BRLTTY's restart")
    display.type("v")
    display.wait_for(expect_cells("v", width, 1), "a chord typed after the restart")
    at = len(display.lines)
    display.send("KEY_ENTER")
    at = display.wait_for(expect_cells(CORRIDOR, width), "the corridor's answer", at)
    at = pan_right_to(display, expect_cells("", width, 0), "the next input line", at)
    read_back(display, "jsi na začátku širokého koridoru", at)
    app.stdin.close()
    app.wait(WAIT)
    stop(second)
    print("comeback: found again after BRLTTY's restart")


def xdotool(*args):
    return subprocess.run(["xdotool"] + list(args), check=True, capture_output=True,
                          text=True, timeout=WAIT).stdout


def window():
    width = 40
    # A display server of our own: the first free number from 140 on.
    for number in range(140, 200):
        if os.path.exists("/tmp/.X%d-lock" % number):
            continue
        xvfb = start(["Xvfb", ":%d" % number, "-screen", "0", "1280x900x24", "-nolisten", "tcp",
                      "-noreset"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.environ["DISPLAY"] = ":%d" % number
        deadline = time.time() + 10
        while time.time() < deadline and xvfb.poll() is None:
            if subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True).returncode == 0:
                break
            time.sleep(0.1)
        if xvfb.poll() is None:
            break
    else:
        raise RuntimeError("no X server could be started")
    sock = os.path.join(work, "display.sock")
    display = Display(sock, width)
    port = free_port()
    brltty(sock, port)
    display.accept()
    env = dict(os.environ, BRLAPI_HOST="127.0.0.1:%d" % port, BRLAPI_AUTH="none",
               QT_QPA_PLATFORM="xcb", ALSOFT_DRIVERS="null")
    start([EXE, "--config", os.path.join(work, "tovana.ini")], cwd=work, env=env,
          stdout=open(os.path.join(work, "app.log"), "w"), stderr=subprocess.STDOUT)
    main = xdotool("search", "--sync", "--onlyvisible", "--name", " - tovana$").split()[0]
    xdotool("windowfocus", "--sync", main)
    xdotool("key", "ctrl+s")
    dialog = xdotool("search", "--sync", "--onlyvisible", "--name", "^Vlož data$").split()[0]
    xdotool("windowfocus", "--sync", dialog)
    # Voice off, the opening printed at full speed: the display has settled on its start.
    at = display.wait_for(expect_cells(OPENING, width), "the opening's first line")
    settle = time.time() + 2
    while time.time() < settle:
        display.pump(0.2)
    later = [line[:width] for line in display.lines[at:]]
    assert all(line == expect_cells(OPENING, width) for line in later), \
        "the display went on from the opening's first line: %s" % later
    at = pan_right_to(display, expect_cells("", width, 0), "the input line", len(display.lines))
    at = read_back(display, CLEARING, at)
    display.type("v")
    at = display.wait_for(expect_cells("v", width, 1), "the chord typed into the line", at)
    display.send("KEY_ENTER")
    at = display.wait_for(expect_cells(CORRIDOR, width), "the corridor's answer", at)
    at = pan_right_to(display, expect_cells("", width, 0), "the next input line", at)
    at = read_back(display, CORRIDOR, at)
    # The review window opens on the screen's first line, the position at its start.
    dialog = xdotool("search", "--sync", "--onlyvisible", "--name", "^Vlož data$").split()[0]
    xdotool("windowfocus", "--sync", dialog)
    xdotool("key", "Down")
    first = "maska slunečního boha, textová dobrodružná hra pro tovanu"
    at = display.wait_for(expect_cells(first, width, 0), "the review line", at)
    display.send("FwinRt")
    at = display.wait_for(expect_cells(first[width:], width), "the review line panned", at)
    display.send("Route 3")
    at = display.wait_for(expect_cells(first[width:], width, 3), "the review position routed", at)
    print("window: %d display lines, answer, review, panning and routing seen" % len(display.lines))


try:
    prepare_workdir()
    {"terminal": terminal, "window": window, "comeback": comeback}[SCENARIO]()
except Exception as error:
    print("FAILED:", error)
    for name in ("out.txt", "app.log"):
        if os.path.exists(os.path.join(work, name)):
            print(name + ":", open(os.path.join(work, name)).read()[-1500:])
    log = os.path.join(work, "brltty.log")
    if os.path.exists(log):
        print(open(log).read()[-2000:])
    cleanup()
    sys.exit(1)
cleanup()
