#!/usr/bin/env python3
"""Runs mixerpanel.exe under Wine in an X server of its own (Xvfb) and drives
it with panel_driver.exe, which sends the window messages a user's input
makes and checks through its own winmm reads that they reached the mixer.

  panel_run.py --bin BUILD --wine-run WINE_RUN --work DIR
               [--screenshot OUT.png] [--recording-screenshot OUT.png]
               [--endurance SECONDS] [--idle SECONDS] [--drawing]

Without --endurance: the controls, an outside change and Save/Restore
settings through the menu (panel_driver check), the screenshot of the
playback page; the recording page's microphone strip, whose line Wine keeps
on a mixer of its recording endpoint (panel_driver recording), and its
screenshot; then the other menu commands (panel_driver menus).
Then the controls that cannot act and what they say, the messages and the
input (panel_driver usability).
With --endurance: the panel's CPU time while idle with meters running, then
a fader moved every second for SECONDS, then the same checks again; the
process's handles and heap may not have grown.
With --drawing: each page, shown at a fresh start, is compared with itself
after a switch to the other page and back (Ctrl+Tab twice) and after a
resize larger and back, then resized to 1024x768 with itself after a
switch there, without a window manager (and without Wine's fonts in HOME)
and with one (openbox): pixel for pixel.

The Wine prefix and HOME are private (DIR/wine): the panel's windows are set
to be drawn by Wine itself (no window manager runs in Xvfb), and Wine's own
fonts are put where it finds them. Exit status 0 when everything passed, 77
when Xvfb (or, for a screenshot or --drawing, ImageMagick; for --drawing,
openbox) is missing, 1 otherwise."""
import argparse
import os
import re
import select
import shutil
import subprocess
import sys
import time

# How much the endurance run lets the process's figures move between the
# start (after the first minute's warm-up of the heaps) and the end.
HANDLE_GROWTH = 0        # handles
HEAP_GROWTH = 16 * 1024  # bytes in busy heap blocks: allocator noise, not a trend

NAMES_DIR = "Jos\u00e9"  # the sound-card name file's folder


def start_xvfb():
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    deadline = time.time() + 30
    while time.time() < deadline and not number.endswith(b"\n"):
        ready, _, _ = select.select([read_end], [], [], 1)
        if ready:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
    os.close(read_end)
    if not number.strip():
        xvfb.kill()
        xvfb.wait()
        raise RuntimeError("Xvfb did not report a display")
    return xvfb, ":" + number.decode().strip()


def figures_of(text):
    return {m.group(1): int(m.group(2)) for m in re.finditer(r"^figure (\S+) (-?\d+)$", text, re.M)}


def cpu_seconds(pid):
    """User and system time of a process, from /proc; None when it is gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    except OSError:
        return None


def wine_pid(prefix, program):
    """The process of `program` (a Windows program's or wineserver's file
    name) running for `prefix`, found by its command line and environment:
    Wine's loader may run a program in another process than the one started."""
    want = ("WINEPREFIX=" + prefix).encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                first = f.read().split(b"\0")[0].replace(b"\\", b"/")
            if not first.lower().endswith(program.encode().lower()) and program.encode() not in first:
                continue
            with open("/proc/%s/environ" % entry, "rb") as f:
                if want in f.read().split(b"\0"):
                    return int(entry)
        except OSError:
            continue
    return None


class Run:
    def __init__(self, args):
        self.args = args
        self.work = os.path.abspath(args.work)
        self.base = os.path.join(self.work, "wine")
        self.failures = []
        self.env = dict(os.environ, MIXER_WINE_BASE=self.base)

    def wine(self, *argv, timeout=600, check=False):
        # Output through a file, not a pipe: processes Wine starts on the
        # side (conhost, services) inherit it and would hold a pipe open.
        log = os.path.join(self.work, "wine-output.txt")
        with open(log, "w") as out:
            proc = subprocess.run([self.args.wine_run] + list(argv), cwd=self.work, env=self.env,
                                  stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT, timeout=timeout)
        with open(log, errors="replace") as f:
            proc.stdout = f.read()
        if check and proc.returncode != 0:
            raise RuntimeError("%s failed (%d): %s" % (" ".join(argv), proc.returncode, proc.stdout))
        return proc

    def driver(self, *argv, timeout=600):
        proc = self.wine(os.path.join(self.args.bin, "panel_driver.exe"), *argv, timeout=timeout)
        sys.stdout.write(proc.stdout)
        sys.stdout.flush()
        if proc.returncode != 0:
            self.failures.append("panel_driver %s" % " ".join(argv))
        return proc.stdout

    def prepare(self):
        os.makedirs(os.path.join(self.base, "home"), exist_ok=True)
        open(os.path.join(self.work, "panel-output.txt"), "w").close()
        self.wine_fonts(True)
        # A sound-card name file for Wine's card ("Out: default") in a folder
        # whose name is not plain ASCII: it names the line-in line, which the
        # card has under no line-in type.
        os.makedirs(os.path.join(self.work, NAMES_DIR), exist_ok=True)
        with open(os.path.join(self.work, NAMES_DIR, "default.cfg"), "w", newline="\r\n") as f:
            f.write("[LINEIN]\nNAME=Master Volume\n")
        # No window manager: Wine draws the frame and the caption itself.
        self.wine("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f", check=True)
        # A balance remembered from an earlier run, for a line that has none.
        self.wine("reg", "add", r"HKCU\Software\MIXER\Panel", "/v", "PlayMainBalance", "/t", "REG_DWORD",
                  "/d", "15", "/f", check=True)

    def wine_fonts(self, present):
        """Wine finds its own fonts (Marlett draws the caption buttons) where
        fontconfig looks in the private HOME; without them, as in a user's
        HOME, Wine draws the message font with another face."""
        fonts = os.path.join(self.base, "home", ".local", "share", "fonts")
        shutil.rmtree(fonts, ignore_errors=True)
        os.makedirs(fonts, exist_ok=True)
        if present and os.path.isdir("/usr/share/wine/fonts"):
            for name in os.listdir("/usr/share/wine/fonts"):
                if name.endswith(".ttf"):
                    shutil.copy(os.path.join("/usr/share/wine/fonts", name), fonts)

    def x(self, *argv):
        return subprocess.run(["xdotool"] + list(argv), env=self.env, stdout=subprocess.PIPE, text=True,
                              check=True, timeout=60).stdout

    def geometry(self, wid):
        """The X window's place on the screen and its size."""
        pairs = re.findall(r"(\d+)[,x](\d+)", self.x("getwindowgeometry", wid))
        return [int(v) for v in pairs[0] + pairs[1]]

    def resize(self, wid, width, height, managed):
        """To width x height as a user does it: through the window manager
        (what a drag of its frame asks for), or without one by dragging the
        status bar's size grip, a few pixels inside the corner of the frame
        Wine draws; again where a drag fell short."""
        for _ in range(4):
            x, y, w, h = self.geometry(wid)
            if (w, h) == (width, height):
                return
            if managed:
                self.x("windowsize", "--sync", wid, str(width), str(height))
                continue
            self.x("mousemove", str(x + w - 6), str(y + h - 6), "sleep", "0.3", "mousedown", "1", "sleep", "0.3")
            for i in range(1, 6):
                self.x("mousemove", str(x + w - 6 + (width - w) * i // 5), str(y + h - 6 + (height - h) * i // 5),
                       "sleep", "0.2")
            self.x("sleep", "0.5", "mouseup", "1", "mousemove", "0", "0", "sleep", "0.5")

    def drawing(self):
        # Without a window manager in a HOME without Wine's fonts, with
        # openbox with them: glyphs of other widths.
        for managed in (False, True):
            self.wine_fonts(managed)
            manager = subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL) if managed else None
            self.wine("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "YN"[not managed],
                      "/f", check=True)
            try:
                for page in ("playback", "recording"):
                    self.drawing_page(page, "with openbox" if managed else "without a window manager")
            finally:
                if manager:
                    manager.terminate()
                    manager.wait()

    def drawing_page(self, page, where):
        panel = self.start_panel("--page", page)
        managed = where.startswith("with ")
        try:
            wid = self.x("search", "--sync", "--onlyvisible", "--name", "^MIXER panel$").split()[0]
            self.x("mousemove", "0", "0")  # no tooltip in the pictures
            if managed:
                self.x("windowactivate", "--sync", wid)
            size = self.geometry(wid)
            shots = []
            # Then at 1024x768, as drawn after the resize, and after a page
            # switch there.
            for what in ("fresh", "switched away and back", "resized larger and back", "at 1024x768",
                         "switched away and back at 1024x768"):
                if what.startswith("switched"):
                    self.x("key", "ctrl+Tab", "sleep", "1", "key", "ctrl+Tab")
                if what.startswith("resized"):
                    self.resize(wid, size[2] + 200, size[3] + 150, managed)
                    self.resize(wid, size[2], size[3], managed)
                if what.startswith("at "):
                    self.resize(wid, 1024, 768, managed)
                    shots = []
                time.sleep(2)  # a refresh of the values and some meter ticks
                shots.append(os.path.join(self.work, "%s-%s-%s.png" % (page, where.split()[-1],
                                                                      what.replace(" ", "-"))))
                subprocess.run(["import", "-window", wid, shots[-1]], env=self.env, check=True, timeout=60)
                if len(shots) > 1:
                    differ = subprocess.run(["compare", "-metric", "AE", shots[0], shots[-1], "null:"],
                                            stderr=subprocess.PIPE, text=True, timeout=60).stderr.strip()
                    print("drawing: %s page %s, %s: %s pixels differ from %s" % (
                        page, where, what, differ, "its first drawing there" if "1024" in what else "a fresh start"))
                    if differ != "0":
                        self.failures.append("%s page %s, %s: %s pixels differ (%s)" % (page, where, what, differ,
                                                                                         shots[-1]))
        finally:
            self.driver("close", timeout=120)
            panel.wait(timeout=60)

    def screenshot(self, out):
        out = os.path.abspath(out)
        found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^MIXER panel$"],
                               env=self.env, stdout=subprocess.PIPE, text=True, timeout=60)
        ids = found.stdout.split()
        if not ids:
            self.failures.append("no X window named \"MIXER panel\"")
            return
        time.sleep(1.5)  # a refresh and some meter ticks after the last change
        tmp = out + ".tmp.png"
        subprocess.run(["import", "-window", ids[0], tmp], env=self.env, check=True, timeout=60)
        info = subprocess.run(["convert", tmp, "-format", "%w %h %k", "info:"], stdout=subprocess.PIPE, text=True,
                              check=True).stdout.split()
        width, height, colours = (int(v) for v in info)
        print("screenshot %s: %dx%d, %d colours" % (out, width, height, colours))
        # A window of the panel's size with text, controls and meters on it,
        # not an empty or black rectangle.
        if width < 600 or height < 300 or colours < 16:
            self.failures.append("the screenshot does not show the panel (%dx%d, %d colours)"
                                 % (width, height, colours))
        os.replace(tmp, out)

    def run(self):
        a = self.args
        # The X server first: Wine's first process in a new prefix starts the
        # desktop the later windows live on, and it must have a display.
        xvfb, display = start_xvfb()
        self.env["DISPLAY"] = display
        panel = None
        try:
            self.prepare()
            if a.drawing:
                self.drawing()  # with panels of its own, each started afresh
                return self.finish()
            panel = self.start_panel("--settings-file", "panel-settings.ini", "--names-dir", NAMES_DIR)
            if a.endurance:
                self.endurance()
            else:
                # Leaves the main volume at three quarters for the picture.
                self.driver("check", "panel-settings.ini", "49151")
                if a.screenshot:
                    self.screenshot(a.screenshot)
                # Leaves the recording page shown, the microphone at 60 %.
                self.driver("recording", "39321")
                if a.recording_screenshot:
                    self.screenshot(a.recording_screenshot)
                self.driver("menus")
                self.driver("usability", "panel-settings.ini")
            self.driver("close", timeout=120)
            panel.wait(timeout=60)
            if panel.returncode != 0:
                self.failures.append("mixerpanel.exe exited with %d" % panel.returncode)
        finally:
            if panel and panel.poll() is None:
                panel.kill()
                panel.wait()
            subprocess.run(["wineserver", "-k"], env=dict(self.env, WINEPREFIX=os.path.join(self.base, "prefix")),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            xvfb.terminate()
            xvfb.wait()
        return self.finish()

    def finish(self):
        for f in self.failures:
            print("FAIL: " + f)
        return 1 if self.failures else 0

    def start_panel(self, *argv):
        with open(os.path.join(self.work, "panel-output.txt"), "a") as log:
            return subprocess.Popen([self.args.wine_run, os.path.join(self.args.bin, "mixerpanel.exe")] + list(argv),
                                    cwd=self.work, env=self.env, stdin=subprocess.DEVNULL, stdout=log,
                                    stderr=subprocess.STDOUT)

    def endurance(self):
        a = self.args
        # Warm-up: the first minute fills the heaps' caches (fonts, GDI,
        # winmm's device list); growth is measured after it.
        warm = min(60, max(10, a.endurance // 6))
        self.driver("idle", str(warm))
        prefix = os.path.join(self.base, "prefix")
        server, program = wine_pid(prefix, "wineserver"), wine_pid(prefix, "mixerpanel.exe")
        before = (time.time(), cpu_seconds(program) if program else None, cpu_seconds(server) if server else None)
        idle = figures_of(self.driver("idle", str(a.idle)))
        after = (time.time(), cpu_seconds(program) if program else None, cpu_seconds(server) if server else None)
        wall = after[0] - before[0]
        inside = idle.get("idle.cpu_ms", -1) / max(1, idle.get("idle.wall_ms", 1))
        print("idle, meters running: %.2f %% of one core (the panel's own account, GetProcessTimes)"
              % (100 * inside))
        if before[1] is not None and after[1] is not None:
            print("idle, meters running: %.2f %% of one core (the panel's process, /proc)"
                  % (100 * (after[1] - before[1]) / wall))
        if before[2] is not None and after[2] is not None:
            print("idle, meters running: %.2f %% of one core (the prefix's wineserver, /proc)"
                  % (100 * (after[2] - before[2]) / wall))
        polls_per_second = idle.get("idle.meter_polls", 0) * 1000.0 / max(1, idle.get("idle.wall_ms", 1))
        print("idle, meters running: %.1f GetPeak calls a second" % polls_per_second)

        text = self.driver("endurance", str(a.endurance), "panel-settings.ini",
                           timeout=a.endurance * 3 + 600)
        f = figures_of(text)
        for name, limit in (("handles", HANDLE_GROWTH), ("heap_bytes", HEAP_GROWTH)):
            start, end = f.get("start." + name), f.get("end." + name)
            print("%s: %s at the start, %s at the end (%+d)" % (name, start, end, (end or 0) - (start or 0)))
            if start is None or end is None or start < 0 or end < 0:
                self.failures.append("no %s figure from the panel" % name)
            elif end - start > limit:
                self.failures.append("%s grew from %d to %d over %d s" % (name, start, end, a.endurance))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--bin", required=True, help="the win32 build folder (mixerpanel.exe, MIXER.DLL)")
    ap.add_argument("--wine-run", required=True, help="tests/wine/wine-run.sh")
    ap.add_argument("--work", required=True, help="a folder for the run (Wine prefix, settings file)")
    ap.add_argument("--screenshot", help="PNG file for the picture of the playback page")
    ap.add_argument("--recording-screenshot", help="PNG file for the picture of the recording page")
    ap.add_argument("--endurance", type=int, default=0, help="seconds of the endurance run")
    ap.add_argument("--idle", type=int, default=10, help="seconds of the idle CPU measurement (endurance)")
    ap.add_argument("--drawing", action="store_true", help="the drawing comparison, without and with openbox")
    args = ap.parse_args()
    pictures = args.screenshot or args.recording_screenshot or args.drawing
    missing = [t for t in ["Xvfb", "xdotool"] + (["import", "convert"] if pictures else []) +
               (["openbox"] if args.drawing else []) if not shutil.which(t)]
    if missing:
        print("skipped: %s not installed (scripts/install-deps.sh installs them)" % ", ".join(missing))
        return 77
    args.bin = os.path.abspath(args.bin)
    args.wine_run = os.path.abspath(args.wine_run)
    try:
        return Run(args).run()
    except (RuntimeError, OSError, subprocess.SubprocessError) as e:
        print("FAIL: %s" % e)
        return 1


if __name__ == "__main__":
    sys.exit(main())
