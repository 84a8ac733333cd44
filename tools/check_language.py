#!/usr/bin/env python3
"""Checks the interface text files language/2052.lan and language/1033.lan.

Usage: check_language.py [LANGUAGE_DIR]      check the files (default: resources/language)
       check_language.py --self-test          prove that every rule rejects a broken copy

The texts are read the way the program reads them: section "LAN", key = the id as
"%d" formats it, value = the rest of the line with surrounding blanks removed, at
most 259 UTF-16 units.  Exit status 0 when everything holds, 1 otherwise.
"""

import os
import re
import shutil
import sys
import tempfile

LANGUAGES = (2052, 1033)
MAX_UNITS = 259
SECTION = "LAN"

# Values the program relies on literally: profile names are localised by these words,
# default macro names start with 351, and default snippets are recognised by their text.
PINNED = {
    (2052, 61): "配置",
    (1033, 61): "Profile",
    (2052, 351): "宏",
    (1033, 351): "Macro",
    (2052, 460): "1 实例 - 祝福",
    (2052, 470): "祝福你心想事成,步步高升,风生水起,前途无量,愿你的人生充满无限可能。",
    (2052, 471): "您好，很高兴为您服务！",
    (1033, 471): "Hello, it's my pleasure to serve you!",
}

KEY_RE = re.compile(r"[1-9][0-9]*\Z")
ESCAPE_RE = re.compile(r"\\[nrt\\]")
PRINTF_RE = re.compile(r"%[-+ #0]*[0-9]*(?:\.[0-9]+)?(?:hh|h|ll|l)?[diouxXeEfgGcsp]")


def utf16_units(text):
    return len(text.encode("utf-16-le")) // 2


def parse_lan(path, errors):
    """Returns {id: text} for section LAN, appending a message per fault to errors."""
    name = os.path.basename(path)
    try:
        raw = open(path, "rb").read()
    except OSError as exc:
        errors.append("%s: cannot read: %s" % (name, exc.strerror))
        return {}
    if raw.startswith(b"\xef\xbb\xbf"):
        errors.append("%s: starts with a byte-order mark" % name)
        raw = raw[3:]
    try:
        content = raw.decode("utf-8")
    except UnicodeDecodeError as exc:
        errors.append("%s: not UTF-8 at byte %d" % (name, exc.start))
        return {}
    if "\r" in content:
        errors.append("%s: carriage returns found; use LF line ends" % name)
        content = content.replace("\r", "")
    texts = {}
    section = None
    sections_seen = []
    for number, line in enumerate(content.split("\n"), 1):
        where = "%s:%d" % (name, number)
        stripped = line.strip()
        if not stripped or stripped[0] in ";#":
            continue
        if stripped.startswith("["):
            if not stripped.endswith("]"):
                errors.append("%s: malformed section header" % where)
                continue
            section = stripped[1:-1].strip()
            if section in sections_seen:
                errors.append("%s: section [%s] appears twice" % (where, section))
            sections_seen.append(section)
            if section != SECTION:
                errors.append("%s: unexpected section [%s]" % (where, section))
            continue
        if "=" not in line:
            errors.append("%s: line is neither a comment, a section nor id=text" % where)
            continue
        key, value = line.split("=", 1)
        key = key.strip()
        if section != SECTION:
            errors.append("%s: id %s outside section [%s]" % (where, key, SECTION))
            continue
        if not KEY_RE.match(key):
            errors.append("%s: key %r is not an id as \"%%d\" writes it" % (where, key))
            continue
        ident = int(key)
        if ident in texts:
            errors.append("%s: id %d defined twice" % (where, ident))
            continue
        if value != value.strip():
            errors.append("%s: id %d: blanks around the text are dropped when read" % (where, ident))
        value = value.strip()
        if not value:
            errors.append("%s: id %d: empty text" % (where, ident))
        elif len(value) >= 2 and value[0] == value[-1] and value[0] in "\"'":
            errors.append("%s: id %d: quotes around the text are dropped when read" % (where, ident))
        if utf16_units(value) > MAX_UNITS:
            errors.append("%s: id %d: %d characters, at most %d are read"
                          % (where, ident, utf16_units(value), MAX_UNITS))
        if ESCAPE_RE.search(value):
            errors.append("%s: id %d: escape sequence %r is shown literally"
                          % (where, ident, ESCAPE_RE.search(value).group(0)))
        if PRINTF_RE.search(value):
            errors.append("%s: id %d: %r looks like a format directive; texts are arguments, never formats"
                          % (where, ident, PRINTF_RE.search(value).group(0)))
        texts[ident] = value
    if SECTION not in sections_seen:
        errors.append("%s: no section [%s]" % (name, SECTION))
    return texts


def parse_index(path, errors):
    """Returns {id: note} from ids.txt."""
    notes = {}
    try:
        lines = open(path, encoding="utf-8").read().split("\n")
    except (OSError, UnicodeDecodeError) as exc:
        errors.append("ids.txt: cannot read: %s" % exc)
        return notes
    for number, line in enumerate(lines, 1):
        if not line.strip() or line.startswith("#"):
            continue
        parts = line.split(None, 1)
        if not KEY_RE.match(parts[0]) or len(parts) < 2 or not parts[1].strip():
            errors.append("ids.txt:%d: expected \"<id> <where it is shown>\"" % number)
            continue
        ident = int(parts[0])
        if ident in notes:
            errors.append("ids.txt:%d: id %d listed twice" % (number, ident))
        notes[ident] = parts[1].strip()
    if not notes:
        errors.append("ids.txt: lists no id")
    return notes


def check(directory):
    """Returns the list of faults found in directory (empty when all is well)."""
    errors = []
    files = {lang: parse_lan(os.path.join(directory, "%d.lan" % lang), errors)
             for lang in LANGUAGES}
    index = parse_index(os.path.join(directory, "ids.txt"), errors)
    first, second = LANGUAGES
    for lang, other in ((first, second), (second, first)):
        missing = sorted(set(files[other]) - set(files[lang]))
        if missing and files[lang]:
            errors.append("%d.lan lacks ids that %d.lan has: %s"
                          % (lang, other, ", ".join(map(str, missing))))
    for lang in LANGUAGES:
        if not files[lang]:
            continue
        absent = sorted(set(index) - set(files[lang]))
        if absent:
            errors.append("%d.lan lacks ids listed in ids.txt: %s" % (lang, ", ".join(map(str, absent))))
        unlisted = sorted(set(files[lang]) - set(index))
        if unlisted and index:
            errors.append("%d.lan has ids missing from ids.txt: %s" % (lang, ", ".join(map(str, unlisted))))
    for (lang, ident), expected in sorted(PINNED.items()):
        actual = files[lang].get(ident)
        if actual is not None and actual != expected:
            errors.append("%d.lan: id %d must read %r, the program matches it literally"
                          % (lang, ident, expected))
    return errors, {lang: len(texts) for lang, texts in files.items()}


def self_test(source):
    """Breaks a copy of the files in one way per case and expects each break to be found."""
    def rewrite(path, change):
        data = open(path, "rb").read()
        open(path, "wb").write(change(data))

    def drop_line(prefix):
        return lambda data: b"\n".join(l for l in data.split(b"\n") if not l.startswith(prefix))

    def replace_line(prefix, line):
        return lambda data: b"\n".join(line if l.startswith(prefix) else l for l in data.split(b"\n"))

    long_text = ("x" * (MAX_UNITS + 1)).encode()
    cases = [
        ("id missing in English", "1033.lan", drop_line(b"57=")),
        ("id missing in Chinese", "2052.lan", drop_line(b"723=")),
        ("text too long", "1033.lan", replace_line(b"2=", b"2=" + long_text)),
        ("Chinese text too long", "2052.lan", replace_line(b"2=", b"2=" + ("\u5b57" * 260).encode())),
        ("duplicate id", "1033.lan", lambda d: d + b"5=Close again\n"),
        ("key with leading zero", "1033.lan", replace_line(b"5=", b"05=Close")),
        ("blank after text", "1033.lan", replace_line(b"5=", b"5=Close ")),
        ("empty text", "2052.lan", replace_line(b"5=", b"5=")),
        ("quoted text", "1033.lan", replace_line(b"5=", b'5="Close"')),
        ("byte-order mark", "2052.lan", lambda d: b"\xef\xbb\xbf" + d),
        ("not UTF-8", "2052.lan", replace_line(b"5=", b"5=\xb9\xd8")),
        ("CR LF line ends", "1033.lan", lambda d: d.replace(b"\n", b"\r\n")),
        ("escape sequence", "1033.lan", replace_line(b"502=", b"502=Line one\\nline two")),
        ("format directive", "1033.lan", replace_line(b"57=", b"57=Mouse %s is offline")),
        ("no LAN section", "1033.lan", lambda d: d.replace(b"[LAN]", b"[TEXT]")),
        ("id before the section", "1033.lan", lambda d: b"5=Close\n" + d.replace(b"\n5=Close\n", b"\n")),
        ("pinned profile word changed", "2052.lan", replace_line(b"61=", "61=配置文件".encode())),
        ("pinned macro word changed", "1033.lan", replace_line(b"351=", b"351=Macros")),
        ("index lists an unknown id", "ids.txt", lambda d: d + b"999 nowhere\n"),
        ("index line without note", "ids.txt", lambda d: d + b"999\n"),
        ("index misses an id", "ids.txt", drop_line(b"57 ")),
        ("file missing", "1033.lan", None),
    ]
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        pristine = os.path.join(work, "pristine")
        shutil.copytree(source, pristine)
        errors, _ = check(pristine)
        if errors:
            print("self-test: the unchanged files already fail:\n  " + "\n  ".join(errors))
            return 1
        for label, target, change in cases:
            broken = os.path.join(work, "broken")
            shutil.rmtree(broken, ignore_errors=True)
            shutil.copytree(pristine, broken)
            path = os.path.join(broken, target)
            if change is None:
                os.remove(path)
            else:
                rewrite(path, change)
            errors, _ = check(broken)
            status = "caught" if errors else "MISSED"
            failures += 0 if errors else 1
            print("self-test %-30s %s%s" % (label, status, (": " + errors[0]) if errors else ""))
    print("self-test: %d of %d cases caught" % (len(cases) - failures, len(cases)))
    return 1 if failures else 0


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    default_dir = os.path.join(here, os.pardir, "resources", "language")
    args = argv[1:]
    if args and args[0] == "--self-test":
        return self_test(args[1] if len(args) > 1 else default_dir)
    if len(args) > 1 or (args and args[0].startswith("-")):
        sys.stderr.write(__doc__)
        return 2
    directory = args[0] if args else default_dir
    errors, counts = check(directory)
    for message in errors:
        sys.stderr.write("check_language: %s\n" % message)
    if errors:
        sys.stderr.write("check_language: %d fault(s)\n" % len(errors))
        return 1
    print("check_language: OK, %s" % ", ".join("%d.lan %d ids" % (lang, counts[lang]) for lang in LANGUAGES))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
