#!/usr/bin/env python3
# Plays the boss level through the menu and writes the input as a replayable script.
#
# Usage: play_boss.py KRELLIX DATA_DIR OUT_SCRIPT
# Runs KRELLIX --headless with --input and --trace on named pipes in a scratch folder holding
# DATA_DIR's images/ and sounds/ and tests/e2e/boss_player.dat as users.dat, and plays it a frame
# at a time: the menu as player ACE, Continue into the boss level, then the paddle under each
# ball where it will come down (walls reflected), on the sixth of the paddle that sends it back at
# the boss, away from the boss's shots, relaunching after each lost life. Once the boss is gone
# and its explosion has played out it leaves through the exit, holds Space on the closing screen,
# leaves the high scores, plays New Game into level 1 a little, holds Escape and chooses Quit.
# The run is deterministic, so OUT_SCRIPT (the events sent, without the pipe's filler lines)
# replays it exactly: e.g. tests/e2e/tools/play_boss.py build/release/krellix \
#   build/release/data tests/e2e/menu_boss_level1.txt
import json
import os
import shutil
import subprocess
import sys
import tempfile

PAD_W, PAD_H, BALL = 96, 18, 18
LEFT, RIGHT, TOP, BOTTOM, PADDLE_Y = 32, 736, 32, 768, 704
BOSS_X, BOSS_BOTTOM = 384, 432
SPEEDS = [-9, -3, -1, 1, 3, 9]
# Menu as player ACE and Continue: the same opening as the recorded menu runs.
OPENING = [(3, "keydown 32"), (4, "keyup 32"), (120, "keydown 13"), (121, "keyup 13"), (260, "char 97"),
           (260, "char 99"), (260, "char 101"), (280, "keydown 13"), (281, "keyup 13")]
FILLER = "keyup 255"  # a line for a frame with no event, so the game may go on


def step(x, y, dx, dy, sf):
    """One frame of a flying ball as the game moves it; None when it leaves at the bottom."""
    nx, ny = x + dx * sf, y + dy * sf
    if nx <= BALL // 2 + LEFT:
        dx = abs(dx)
    if nx >= RIGHT - BALL // 2:
        dx = -abs(dx)
    if ny <= BALL // 2 + TOP:
        dy = abs(dy)
    if ny >= BOTTOM - BALL // 2:
        return None
    return nx, ny, dx, dy


def landing(ball, sf):
    """(frames ahead, x) where the paddle's test will see the falling ball, or None."""
    state = tuple(ball)
    for k in range(600):
        x, y, dx, dy = state
        if dy > 0 and PADDLE_Y - PAD_H // 2 <= y < PADDLE_Y:
            return k, x
        if dy == 0:
            return None
        state = step(x, y, dx, dy, sf)
        if state is None:
            return None
    return None


def aim_error(x, dx, sf):
    """How far from the boss's middle a ball sent up from x with dx meets the boss's lower edge."""
    state = (x, PADDLE_Y - PAD_H // 2, dx, -3)
    for _ in range(400):
        state = step(*state, sf)
        if state[1] <= BOSS_BOTTOM - 20:
            return abs(state[0] - BOSS_X) + 4 * abs(dx)
    return 10000


def paddle_for(ball_x, segment, scale):
    """A paddle centre whose given sixth holds ball_x, within the field; None when there is none."""
    seg = int((PAD_W // 6) * scale)
    half = (PAD_W // 2) * scale
    centre = int(ball_x + half - (segment + 0.5) * seg)
    for px in (centre, centre - 1, centre + 1, centre - 2, centre + 2):
        x0 = int(px - half)
        if x0 + segment * seg <= ball_x < x0 + (segment + 1) * seg and LEFT + half <= px <= RIGHT - half - 1:
            return px
    return None


class Bot:
    def __init__(self, pipe):
        self.pipe = pipe
        self.sent = []
        self.later = {}
        for frame, line in OPENING:
            self.later.setdefault(frame, []).append(line)
        self.shots = []
        self.phase = "opening"
        self.wait = 0
        self.last_space = -100
        self.mouse = None
        self.marks = {}

    def at(self, frame, line):
        self.later.setdefault(frame, []).append(line)

    def tap(self, frame, key):
        self.at(frame, f"keydown {key}")
        self.at(frame + 1, f"keyup {key}")

    def send(self, frame):
        lines = self.later.pop(frame, [])
        for line in lines:
            self.sent.append(f"{frame} {line}")
        self.pipe.write("".join(f"{frame} {line}\n" for line in lines or [FILLER]))
        self.pipe.flush()

    def unsafe(self, px, ahead):
        for (sx, sy), (vx, vy) in self.shots:
            x, y = sx + vx * ahead, sy + vy * ahead
            if 693 <= y <= 735 and x - 20 - PAD_W // 2 - 2 <= px <= x + PAD_W // 2 + 2:
                return True
        return False

    def safe_near(self, px, ahead, scale):
        half = (PAD_W // 2) * scale
        for d in range(0, 700, 4):
            for x in (px - d, px + d):
                if LEFT + half <= x <= RIGHT - half - 1 and not self.unsafe(x, ahead):
                    return int(x)
        return px

    def track_shots(self, positions):
        old = [p for p, _ in self.shots]
        tracked = []
        for x, y in positions:
            near = [o for o in old if 0 <= y - o[1] <= 4 and abs(x - o[0]) <= 3]
            v = (x - near[0][0], y - near[0][1]) if near else (0, 2)
            tracked.append(((x, y), v))
        self.shots = tracked

    def play(self, t, n):
        """The paddle's place for frame n + 2, when the input written now is seen."""
        sf, scale = t["SpeedFactor"], t["PaddleScale"]
        balls = t["balls"]
        if t["GameMode"] == 1 or any(b[3] == 0 for b in balls) or t["PaddleState"] == 1:
            if n - self.last_space > 12 and not (balls and t["GameMode"] == 1 and self.unsafe(t["paddle"][0], 2)):
                self.tap(n + 1, 32)
                self.last_space = n
        best = None
        for b in balls:
            hit = landing(b, sf)
            if hit and hit[0] >= 1 and (best is None or hit[0] < best[0]):
                best = hit
        if best is None:
            follow = balls[0][0] if balls else t["paddle"][0]
            return self.safe_near(follow, 1, scale)
        k, x = best
        choices = sorted(range(6), key=lambda s: aim_error(x, SPEEDS[s], sf))
        for s in choices:
            px = paddle_for(x, s, scale)
            if px is not None and not self.unsafe(px, k):
                return px if k <= 1 or not self.unsafe(px, 1) else self.safe_near(px, 1, scale)
        return self.safe_near(x, 1, scale)

    def frame(self, t, n):
        screen = t.get("screen")
        if self.phase == "opening" and screen == "level" and t.get("level") == 33:
            self.phase = "boss"
            self.marks["boss"] = n
        if self.phase in ("boss", "aftermath") and screen == "level":
            self.track_shots(t.get("zogshotsAt", []))
            if self.phase == "boss" and t["bricks"] == 0:
                self.phase = "aftermath"
                self.marks["boss destroyed"] = n
            if self.phase == "aftermath" and t["explosions"] == 0 and t["GameMode"] == 8:
                self.phase = "leaving"
                self.marks["explosion over"] = n
                self.move(n + 1, 1000)
            else:
                self.move(n + 1, self.play(t, n))
        elif self.phase == "leaving" and t.get("GameMode") == 6:
            self.phase = "closing"
            self.marks["level completed"] = n
            self.at(n + 100, "keydown 32")
            self.at(n + 110, "keyup 32")
        elif self.phase in ("closing", "scores") and screen == "highscores":
            if self.phase == "closing":
                self.phase = "scores"
                self.marks["high scores"] = n
                self.wait = n + 60
            if n >= self.wait:
                self.at(n + 1, "keydown 13")
                self.at(n + 6, "keyup 13")
                self.wait = n + 80
        elif self.phase in ("closing", "scores") and screen == "menu":
            self.phase = "menu"
            self.marks["menu"] = n
            self.wait = n + 60
        elif self.phase == "menu" and n >= self.wait:
            if t["MenuState"] < 2:
                self.tap(n + 1, 40)
                self.wait = n + 15
            else:
                self.tap(n + 1, 13)
                self.phase = "level 1"
        elif self.phase == "level 1" and screen == "level" and t.get("GameMode") == 1:
            self.phase = "level 1 playing"
            self.marks["level 1"] = n
            self.tap(n + 90, 32)
            self.at(n + 200, "keydown 27")
            self.at(n + 210, "keyup 27")
        elif self.phase == "level 1 playing" and screen == "menu":
            self.phase = "quitting"
            self.marks["menu again"] = n
            self.at(n + 60, "keydown 40")
            self.at(n + 160, "keyup 40")
            self.at(n + 180, "keydown 13")
            self.at(n + 181, "keyup 13")
        if self.phase in ("boss", "aftermath") and t.get("GameMode") == 3:
            self.marks.setdefault("lives lost", []).append(n)

    def move(self, frame, x):
        if x != self.mouse:
            self.at(frame, f"mousemove {x} 700")
            self.mouse = x


def main():
    krellix, data, out = sys.argv[1:4]
    here = os.path.dirname(os.path.abspath(__file__))
    work = tempfile.mkdtemp(prefix="play_boss.")
    try:
        for name in ("images", "sounds"):
            os.symlink(os.path.abspath(os.path.join(data, name)), os.path.join(work, name))
        shutil.copy(os.path.join(here, "..", "boss_player.dat"), os.path.join(work, "users.dat"))
        script, trace = os.path.join(work, "input"), os.path.join(work, "trace")
        os.mkfifo(script)
        os.mkfifo(trace)
        game = subprocess.Popen([krellix, "--headless", "--data", work, "--input", script, "--trace", trace])
        with open(script, "w") as pipe, open(trace) as frames:
            bot = Bot(pipe)
            bot.send(0)
            bot.send(1)
            for line in frames:
                t = json.loads(line)
                n = t["frame"]
                bot.frame(t, n)
                try:
                    bot.send(n + 1)
                except BrokenPipeError:
                    break
                if n > 20000:
                    sys.exit("no end after 20000 frames")
        status = game.wait()
        with open(out, "w") as f:
            f.write("# The menu as ACE, Continue into the boss level played until the boss explodes and the\n"
                    "# exit is taken, the closing screen, New Game into level 1, Escape, Quit.\n"
                    "# Written by tests/e2e/tools/play_boss.py, which played it a frame at a time.\n")
            f.write("".join(line + "\n" for line in bot.sent))
        print(json.dumps(bot.marks), "exit status", status, "frames", n)
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
