#!/usr/bin/env python3
"""Checks Tarvo's udev rule, packaging/70-tarvo.rules.

Usage: check_udev_rule.py [RULES_FILE]     check the file (default: packaging/70-tarvo.rules)
       check_udev_rule.py --self-test      prove that every check rejects a broken copy

The file is read the way udev reads rules: one rule per line (a trailing backslash joins
the next line), comma-separated "KEY OP \"value\"" pairs, "#" comments.  Then Tarvo's
policy: every rule is limited to hidraw nodes of USB vendor 0x7768 and grants access only
through TAG+="uaccess" (the user at the seat), never through a mode, owner or group, and
runs nothing.  When the installed udevadm offers "verify" (systemd 253 and later), it
checks the syntax too.  Exit status 0 when everything holds, 1 otherwise.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

VENDOR = "7768"

# Keys udev knows, with the operators each takes: "m" match (==, !=), "a" assignment
# (=, +=, -=, :=).  Keys written with an attribute in braces end with "{}".
KEYS = {
    "ACTION": "m", "DEVPATH": "m", "KERNEL": "m", "KERNELS": "m", "SUBSYSTEM": "m",
    "SUBSYSTEMS": "m", "DRIVER": "m", "DRIVERS": "m", "ATTRS{}": "m", "TAGS": "m",
    "CONST{}": "m", "TEST{}": "m", "TEST": "m", "PROGRAM": "m", "RESULT": "m",
    "NAME": "ma", "SYMLINK": "ma", "ATTR{}": "ma", "SYSCTL{}": "ma", "ENV{}": "ma", "TAG": "ma",
    "OWNER": "a", "GROUP": "a", "MODE": "a", "SECLABEL{}": "a", "RUN": "a", "RUN{}": "a",
    "LABEL": "a", "GOTO": "a", "IMPORT{}": "a", "OPTIONS": "a",
}
MATCH_OPS = ("==", "!=")
ASSIGN_OPS = ("=", "+=", "-=", ":=")
PAIR_RE = re.compile(r'\s*([A-Z_]+)(\{[^}"]*\})?\s*(==|!=|\+=|-=|:=|=)\s*"((?:[^"\\]|\\.)*)"\s*')


def logical_lines(text):
    """Yields (line number, text) with continuation lines joined."""
    pending, start = "", 0
    for number, line in enumerate(text.split("\n"), 1):
        if not pending:
            start = number
        if line.endswith("\\"):
            pending += line[:-1]
            continue
        yield start, pending + line
        pending = ""
    if pending:
        yield start, pending


def parse(text, errors, name):
    """Returns a list of rules, each a list of (key, attribute, operator, value)."""
    rules = []
    for number, line in logical_lines(text):
        where = "%s:%d" % (name, number)
        stripped = line.strip()
        if not stripped or stripped.startswith("#"):
            continue
        pairs, at = [], 0
        while at < len(line):
            match = PAIR_RE.match(line, at)
            if not match:
                errors.append("%s: cannot read a KEY OP \"value\" pair at column %d" % (where, at + 1))
                break
            key, attribute, op, value = match.group(1), match.group(2), match.group(3), match.group(4)
            kind = KEYS.get(key + ("{}" if attribute else ""))
            if kind is None:
                errors.append("%s: unknown key %s%s" % (where, key, attribute or ""))
            elif op in MATCH_OPS and "m" not in kind:
                errors.append("%s: %s cannot be matched with %s" % (where, key, op))
            elif op in ASSIGN_OPS and "a" not in kind:
                errors.append("%s: %s cannot be assigned with %s" % (where, key, op))
            pairs.append((key, (attribute or "")[1:-1], op, value))
            at = match.end()
            if at < len(line):
                if line[at] != ",":
                    errors.append("%s: expected a comma at column %d" % (where, at + 1))
                    break
                at += 1
                if not line[at:].strip():
                    errors.append("%s: trailing comma" % where)
                    break
        rules.append((where, pairs))
    return rules


def check_policy(rules, errors):
    if not rules:
        errors.append("no rule at all")
    for where, pairs in rules:
        def has(key, attribute, op, value):
            return (key, attribute, op, value) in pairs
        if not has("SUBSYSTEM", "", "==", "hidraw"):
            errors.append('%s: not limited to hidraw nodes (SUBSYSTEM=="hidraw")' % where)
        if not has("ATTRS", "idVendor", "==", VENDOR):
            errors.append('%s: not limited to vendor 0x%s (ATTRS{idVendor}=="%s")' % (where, VENDOR, VENDOR))
        if not has("TAG", "", "+=", "uaccess"):
            errors.append('%s: grants nothing to the user at the seat (TAG+="uaccess")' % where)
        for key, attribute, op, value in pairs:
            if key == "MODE" and op in ASSIGN_OPS:
                try:
                    mode = int(value, 8)
                except ValueError:
                    errors.append("%s: MODE %r is not octal" % (where, value))
                    continue
                if mode & 0o006:
                    errors.append("%s: MODE %s opens the node to every user" % (where, value))
            elif key in ("OWNER", "GROUP") and op in ASSIGN_OPS:
                errors.append("%s: %s=%r widens access beyond the user at the seat" % (where, key, value))
            elif key in ("RUN", "PROGRAM", "IMPORT"):
                errors.append("%s: %s runs a program on every plug" % (where, key))


def udevadm_verify(path, errors):
    """Lets udevadm check the syntax when it can; returns whether it ran."""
    udevadm = shutil.which("udevadm")
    if not udevadm:
        return False
    probe = subprocess.run([udevadm, "verify", "--help"], capture_output=True)
    if probe.returncode != 0:
        return False
    result = subprocess.run([udevadm, "verify", "--no-summary", path], capture_output=True, text=True)
    if result.returncode != 0:
        errors.append("udevadm verify: %s" % (result.stderr.strip() or result.stdout.strip()))
    return True


def check(path, use_udevadm=True):
    errors = []
    try:
        text = open(path, encoding="utf-8").read()
    except (OSError, UnicodeDecodeError) as exc:
        return ["cannot read %s: %s" % (path, exc)], False
    if "\r" in text:
        errors.append("carriage returns found; udev wants LF line ends")
    rules = parse(text, errors, os.path.basename(path))
    check_policy(rules, errors)
    verified = udevadm_verify(path, errors) if use_udevadm else False
    return errors, verified


def self_test(source):
    good = open(source, encoding="utf-8").read()
    rule = next(line for line in good.split("\n") if line.strip() and not line.startswith("#"))
    cases = [
        ("unquoted value", rule.replace('"hidraw"', "hidraw")),
        ("unknown key", rule.replace("SUBSYSTEM==", "SUBSYTEM==")),
        ("tag matched, not added", rule.replace('TAG+="uaccess"', 'TAG=="uaccess"')),
        ("match-only key assigned", rule.replace('ATTRS{idVendor}=="', 'ATTRS{idVendor}="')),
        ("world-writable mode", rule + ', MODE="0666"'),
        ("group widened", rule + ', GROUP="plugdev"'),
        ("program run", rule + ', RUN+="/bin/true"'),
        ("other vendor", rule.replace(VENDOR, "7769")),
        ("every subsystem", rule.replace('SUBSYSTEM=="hidraw", ', "")),
        ("raw USB device node", 'SUBSYSTEM=="usb", ATTRS{idVendor}=="7768", TAG+="uaccess"'),
        ("trailing comma", rule + ","),
        ("missing comma", rule.replace('", ', '" ', 1)),
        ("no rule", "# nothing here"),
    ]
    failures = []
    with tempfile.TemporaryDirectory() as scratch:
        path = os.path.join(scratch, "70-tarvo.rules")
        for name, text in cases:
            with open(path, "w", encoding="utf-8") as out:
                out.write(text + "\n")
            errors, _ = check(path, use_udevadm=False)
            if not errors:
                failures.append(name)
        with open(path, "w", encoding="utf-8") as out:
            out.write("# joined\n" + rule.replace(", TAG", ", \\\n  TAG") + "\n")
        errors, _ = check(path, use_udevadm=False)
        if errors:
            failures.append("continuation line rejected: %s" % errors)
    if failures:
        print("check_udev_rule --self-test: not caught: %s" % ", ".join(failures))
        return 1
    print("check_udev_rule --self-test: OK, %d broken copies rejected" % len(cases))
    return 0


def main(argv):
    default = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "packaging", "70-tarvo.rules")
    if len(argv) > 1 and argv[1] == "--self-test":
        return self_test(argv[2] if len(argv) > 2 else default)
    path = argv[1] if len(argv) > 1 else default
    errors, verified = check(path)
    for error in errors:
        print("check_udev_rule: %s" % error)
    if errors:
        return 1
    print("check_udev_rule: OK%s" % (", udevadm verify passed" if verified else " (udevadm verify not available)"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
