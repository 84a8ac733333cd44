#!/usr/bin/env python3
"""Soak of the store and of the whole program; prints its figures, asserts nothing.

  bench/soak/soak.py [--kills N] [--minutes M] [--build DIR] [--seed S]

1. Kills: the store writer (tests/store/CrashWriter.cpp) is killed with SIGKILL N
   times (default 10000) at random moments of its writes; after each kill the
   database must pass an integrity check and hold every write that had been
   acknowledged, and no file may have been taken for damaged. The database is
   started afresh every 250 kills so the checks stay quick.
2. Program: the real program (offscreen) against the simulated firmware for M
   minutes (default 60) of mixed plug storms, DPI presses, battery events,
   faults, mice switched off and on, and requests, idle connections and junk on
   the single-instance channel. Its resident memory and descriptors are sampled
   every 30 s; at the end the mouse is left alone, and the store must equal
   the simulator's state; the program must then end cleanly with its database
   whole in its file.

Needs the default build (cmake --preset default && cmake --build --preset default).
"""

import argparse
import json
import os
import random
import shutil
import signal
import socket
import sqlite3
import subprocess
import sys
import tempfile
import time

# Kills per database: a fresh one then keeps each integrity check quick.
ROTATION = 250

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def log(text):
    print(text, flush=True)


# ---- 1. Kills during store writes ----

def acknowledged(output):
    """The writes the writer announced: last config value, {macro: steps}."""
    last, macros = 0, {}
    complete = output[: output.rfind(b"\n") + 1] if b"\n" in output else b""
    for line in complete.decode(errors="replace").split("\n"):
        parts = line.split()
        if len(parts) == 2 and parts[0] == "C":
            last = int(parts[1])
        elif len(parts) == 3 and parts[0] == "M":
            macros[int(parts[1])] = int(parts[2])
    return last, macros


def check_database(path, last, macros, stored, after):
    """Integrity and the acknowledged writes; returns (failures, lost, value, last step row).

    Steps are counted among the rows added since `after` (the steps table has
    no index on macro_id: counting per macro would scan it each time).
    """
    failures = lost = 0
    db = sqlite3.connect(path, timeout=5)
    try:
        if db.execute("PRAGMA integrity_check").fetchone()[0] != "ok":
            failures += 1
        tables = db.execute("SELECT count(*) FROM sqlite_master WHERE name IN ('t_configdata', 't_macrorecord')").fetchone()[0]
        if tables < 2:
            # A creation cut short leaves no table (the next open completes
            # it); then nothing can have been acknowledged.
            return failures, int(bool(last or macros)), stored, after
        row = db.execute("SELECT value FROM t_configdata WHERE profile = 1 AND key = 'dpi_group0_value'").fetchone()
        value = int(row[0]) if row and row[0] and row[0].lstrip("-").isdigit() else 0
        if last and value not in (last, last + 1):
            lost += 1
        if not last and value != stored and value % 1000000 != 1:
            lost += 1
        counts = dict(db.execute("SELECT macro_id, count(*) FROM t_macrorecord WHERE record_id > ? GROUP BY macro_id",
                                 (after,)).fetchall())
        for macro, count in macros.items():
            if counts.get(macro, 0) != count:
                lost += 1
        highest = db.execute("SELECT max(record_id) FROM t_macrorecord").fetchone()[0] or 0
    finally:
        db.close()
    return failures, lost, value, highest


def kill_soak(build, kills, rng):
    writer = os.path.join(build, "tests", "store", "tarvo_store_crash_writer")
    if not os.path.exists(writer):
        sys.exit("soak: %s is missing: build the default preset with its tests" % writer)
    data = tempfile.mkdtemp(prefix="tarvo-soak-kills-")
    # A copy: a rebuild meanwhile must not replace the binary under the soak.
    shutil.copy2(writer, os.path.join(data, "writer"))
    writer = os.path.join(data, "writer")
    failures = lost = while_writing = acked_values = acked_macros = 0
    stored = after = 0
    started = time.time()
    for run in range(kills):
        stem = "soak%d" % (run // ROTATION)
        if run % ROTATION == 0:
            stored = after = 0
        base = (run % ROTATION + 1) * 1000000
        process = subprocess.Popen([writer, data + "/", stem, str(base)], stdout=subprocess.PIPE)
        output = b""
        if run % 10 != 0:  # one run in ten dies during its start and log recovery
            while b"ready\n" not in output:
                chunk = os.read(process.stdout.fileno(), 4096)
                if not chunk:
                    break
                output += chunk
        time.sleep(rng.random() * 0.02)
        process.send_signal(signal.SIGKILL)
        output += process.stdout.read()
        process.wait()
        last, macros = acknowledged(output)
        if last:
            while_writing += 1
            acked_values += 1
        acked_macros += len(macros)
        path = os.path.join(data, "db", stem + "_datav3.db")
        if not os.path.exists(path):
            continue  # killed before the file existed: nothing was acknowledged
        f, l, stored, after = check_database(path, last, macros, stored, after)
        failures += f
        lost += l
        if (run + 1) % 1000 == 0:
            log("  %5d kills, %d integrity failures, %d lost acknowledged writes, %.0f s"
                % (run + 1, failures, lost, time.time() - started))
    set_aside = [n for n in os.listdir(os.path.join(data, "db")) if ".corrupt-" in n]
    log("kills: %d SIGKILLs (%d while writing), %d integrity failures, %d lost acknowledged commits "
        "(of %d values and %d macros acknowledged), %d files taken for damaged, %.0f s"
        % (kills, while_writing, failures, lost, acked_values, acked_macros, len(set_aside), time.time() - started))


# ---- 2. The program against the simulator ----

class Sim:
    def __init__(self, build, socket_path):
        self.binary = os.path.join(build, "sim", "tarvo-mousesim")
        self.env = dict(os.environ, TARVO_SIM_SOCKET=socket_path)

    def __call__(self, *args):
        done = subprocess.run([self.binary] + list(args), env=self.env, capture_output=True, text=True)
        return done.stdout.strip()


def channel(path, line, timeout=3.0):
    """One request; the answer, or None."""
    try:
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
            s.settimeout(timeout)
            s.connect(path)
            s.sendall(line)
            answer = b""
            while not answer.endswith(b"\n"):
                chunk = s.recv(256)
                if not chunk:
                    break
                answer += chunk
            return answer.decode(errors="replace").strip()
    except OSError:
        return None


def sample(pid):
    with open("/proc/%d/status" % pid) as status:
        rss = next(int(l.split()[1]) for l in status if l.startswith("VmRSS:"))
    fds = len(os.listdir("/proc/%d/fd" % pid))
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    cpu = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    return rss, fds, cpu


def store_values(path):
    db = sqlite3.connect("file:%s?mode=ro" % path, uri=True, timeout=5)
    try:
        profile = db.execute("SELECT profile FROM t_profile_data WHERE status = 1").fetchone()
        if not profile:
            return None
        rows = dict(db.execute("SELECT key, value FROM t_configdata WHERE profile = ?", (profile[0],)).fetchall())
    finally:
        db.close()
    return rows


def compare(state, rows):
    """The keys the mouse and the store share; the differences as text."""
    differences = []
    count = state["dpi_count"]
    wanted = {"dpi_count": count, "dpi_index": state["dpi_index"], "report_rate": state["report_rate"]}
    for n in range(count):
        wanted["dpi_group%d_value" % n] = state["dpi"][n]
    for key, value in wanted.items():
        if str(rows.get(key)) != str(value):
            differences.append("%s: store %s, mouse %s" % (key, rows.get(key), value))
    return differences


def program_soak(build, minutes, rng):
    home = tempfile.mkdtemp(prefix="tarvo-soak-program-")
    run = os.path.join(home, "run")
    os.makedirs(run, mode=0o700)
    sim_socket = os.path.join(home, "sim.sock")
    sim = Sim(build, sim_socket)
    sim("start")
    sim("plug", "heron", "cable")
    sim("plug", "egret", "receiver")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=home + "/config",
               XDG_DATA_HOME=home + "/data", XDG_RUNTIME_DIR=run, TARVO_PROGRAM_DIR=build,
               TARVO_SIM_SOCKET=sim_socket, LANG="en_US.UTF-8",
               TARVO_HIDAPI_LIBRARY=os.path.join(build, "sim", "libtarvo-hidsim.so"))
    env.pop("LC_ALL", None)
    program = subprocess.Popen([os.path.join(build, "tarvo")], env=env, stdout=subprocess.DEVNULL,
                               stderr=open(os.path.join(home, "tarvo.err"), "w"))
    path = os.path.join(run, "Tarvo")
    for _ in range(200):
        if channel(path, b"ping\n") == "ready":
            break
        time.sleep(0.05)
    time.sleep(2)
    database = os.path.join(home, "data", "Tarvo Files", "db", "heron_datav3.db")
    samples = [sample(program.pid)]
    log("program: pid %d, start RSS %d kB, %d descriptors" % (program.pid, samples[0][0], samples[0][1]))

    actions = {"plug storm": 0, "dpi press": 0, "battery": 0, "fault": 0, "mouse off/on": 0,
               "requests": 0, "idle connections": 0, "junk": 0}
    unanswered = {}
    end = time.time() + minutes * 60
    next_sample = time.time() + 30
    while time.time() < end and program.poll() is None:
        kind = rng.choice(list(actions))
        actions[kind] += 1
        if kind == "plug storm":
            for _ in range(rng.randint(2, 8)):
                sim("unplug", "heron")
                time.sleep(rng.random() * 0.2)
                sim("plug", "heron", "cable")
                time.sleep(rng.random() * 0.2)
        elif kind == "dpi press":
            sim("dpi-button", rng.choice(["heron", "egret"]))
        elif kind == "battery":
            sim("battery", rng.choice(["heron", "egret"]), str(rng.randint(0, 100)), str(rng.randint(0, 2)))
        elif kind == "fault":
            model = rng.choice(["heron", "egret"])
            fault = rng.choice(["silent", "late", "wrong"])
            sim("fault", model, *([fault, str(rng.randint(100, 1500))] if fault == "late" else [fault]))
            time.sleep(rng.random() * 3)
            sim("fault", model, "none")
        elif kind == "mouse off/on":
            sim("mouse", "egret", "off")
            time.sleep(rng.random() * 2)
            sim("mouse", "egret", "on")
        elif kind == "requests":
            for line in (b"ping\n", b"show\n", b"post 1691 0 611\n"):
                if channel(path, line) is None:
                    unanswered[kind] = unanswered.get(kind, 0) + 1
        elif kind == "idle connections":
            idle = []
            for _ in range(rng.randint(5, 40)):
                s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                # A program that stopped accepting would hold a blocking
                # connect for ever; the unanswered ping then tells of it.
                s.settimeout(2)
                try:
                    s.connect(path)
                except OSError:
                    pass
                idle.append(s)
            if channel(path, b"ping\n", timeout=8) is None:
                unanswered[kind] = unanswered.get(kind, 0) + 1
            for s in idle:
                s.close()
        elif kind == "junk":
            junk = bytes(rng.getrandbits(8) for _ in range(rng.randint(1, 300)))
            channel(path, junk.replace(b"post 1691 0 610\n", b""), timeout=3)
        time.sleep(rng.random() * 0.5)
        if time.time() >= next_sample and program.poll() is None:
            samples.append(sample(program.pid))
            next_sample += 30
            if len(samples) % 20 == 1:
                log("program: after %.0f min RSS %d kB, %d descriptors, CPU %.1f s; unanswered %s"
                    % ((time.time() - end) / 60 + minutes, samples[-1][0], samples[-1][1], samples[-1][2],
                       sum(unanswered.values())))

    alive = program.poll() is None
    log("program: %s after %.0f min; actions %s; channel requests unanswered: %s"
        % ("running" if alive else "ENDED (exit %s)" % program.returncode, minutes,
           ", ".join("%s %d" % item for item in actions.items()),
           ", ".join("%s %d" % item for item in unanswered.items()) or "none"))
    if len(samples) > 1:
        rss = [s[0] for s in samples]
        fds = [s[1] for s in samples]
        half = len(samples) // 2
        log("program: RSS kB first %d, min %d, max %d, last %d (mean of first half %d, second half %d); "
            "descriptors first %d, max %d, last %d; CPU %.1f s"
            % (rss[0], min(rss), max(rss), rss[-1], sum(rss[:half]) / max(half, 1),
               sum(rss[half:]) / max(len(rss) - half, 1), fds[0], max(fds), fds[-1], samples[-1][2]))
    if alive:
        # Left alone: no fault, both mice on, a few presses, then time to settle.
        for model in ("heron", "egret"):
            sim("fault", model, "none")
        sim("mouse", "egret", "on")
        sim("plug", "heron", "cable")
        time.sleep(5)
        for _ in range(3):
            sim("dpi-button", "heron")
            time.sleep(2.5)
        time.sleep(3)
        state = json.loads(sim("state", "heron"))
        rows = store_values(database)
        differences = compare(state, rows) if rows else ["no active profile in the store"]
        log("store vs simulator (heron, active profile): %s"
            % ("equal" if not differences else "; ".join(differences)))
        answer = channel(path, b"post 1691 0 610\n")
        try:
            program.wait(timeout=20)
        except subprocess.TimeoutExpired:
            program.kill()
        wal = database + "-wal"
        log("program: quit answered %s, exit code %s, log left beside the database: %d bytes"
            % (answer, program.returncode, os.path.getsize(wal) if os.path.exists(wal) else 0))
    sim("stop")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--kills", type=int, default=10000)
    parser.add_argument("--minutes", type=float, default=60)
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "default"))
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    seed = args.seed if args.seed is not None else random.randrange(1 << 30)
    log("soak: seed %d" % seed)
    rng = random.Random(seed)
    if args.kills > 0:
        kill_soak(args.build, args.kills, rng)
    if args.minutes > 0:
        program_soak(args.build, args.minutes, rng)


if __name__ == "__main__":
    main()
