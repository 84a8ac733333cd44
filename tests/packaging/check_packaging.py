#!/usr/bin/env python3
"""Checks what Tarvo installs and ships.

Usage: check_packaging.py desktop  SOURCE_DIR
       check_packaging.py metainfo SOURCE_DIR VERSION
       check_packaging.py install  BUILD_DIR VERSION MOUSESIM HIDSIM
       check_packaging.py deb      BUILD_DIR VERSION MOUSESIM HIDSIM

desktop   desktop-file-validate accepts the desktop entry
metainfo  appstreamcli accepts the metainfo with no warning, and its newest release is VERSION
install   `cmake --install` into a scratch prefix lays out every file, and the installed
          programs run from there, finding their program folder beside bin/
deb       cpack builds the .deb with its library dependencies, dpkg-deb -x unpacks it into a
          scratch root, and the unpacked tarvo and tarvoctl run from there with no help
          from the environment

Exit status 0 on success, 1 on a fault, 77 when a tool the check needs is missing.
"""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

SKIP = 77


class Failure(Exception):
    pass


def need(tool):
    path = shutil.which(tool)
    if not path:
        print("%s is not installed (scripts/bootstrap installs it)" % tool)
        sys.exit(SKIP)
    return path


def run(command, env=None, cwd=None, expect=0):
    result = subprocess.run(command, capture_output=True, text=True, env=env, cwd=cwd, timeout=300)
    if expect is not None and result.returncode != expect:
        raise Failure("%s exited with %d, expected %d\nstdout: %s\nstderr: %s"
                      % (" ".join(command), result.returncode, expect, result.stdout, result.stderr))
    return result


def bare_env(**extra):
    """An environment with nothing in it but a PATH for the shell tools and `extra`."""
    env = {"PATH": "/usr/bin:/bin"}
    env.update(extra)
    return env


def check_desktop(source):
    tool = need("desktop-file-validate")
    result = run([tool, os.path.join(source, "packaging", "tarvo.desktop")], expect=None)
    if result.returncode != 0 or result.stdout.strip() or result.stderr.strip():
        raise Failure("desktop-file-validate: %s%s" % (result.stdout, result.stderr))


def check_metainfo(source, version):
    tool = need("appstreamcli")
    path = os.path.join(source, "packaging", "io.tarvo.Tarvo.metainfo.xml")
    result = run([tool, "validate", "--no-net", "--strict", path], expect=None)
    if result.returncode != 0:
        raise Failure("appstreamcli validate: %s%s" % (result.stdout, result.stderr))
    releases = ElementTree.parse(path).getroot().findall("./releases/release")
    if not releases or releases[0].get("version") != version:
        raise Failure("the newest release in the metainfo is %r, the package is %s"
                      % (releases[0].get("version") if releases else None, version))


def expect_layout(root, prefix):
    """Every file the installation must hold, below root + prefix."""
    base = os.path.join(root, prefix.lstrip("/"))
    wanted = [
        "bin/tarvo", "bin/tarvoctl", "libexec/tarvo/tarvo-fetch",
        "share/tarvo/config.xml", "share/tarvo/device/heron.xml", "share/tarvo/language/1033.lan",
        "share/tarvo/language/2052.lan", "share/tarvo/skins/default/DeviceDriver.ico",
        "share/applications/tarvo.desktop", "share/metainfo/io.tarvo.Tarvo.metainfo.xml",
        "share/icons/hicolor/48x48/apps/tarvo.png", "share/icons/hicolor/256x256/apps/tarvo.png",
        "lib/udev/rules.d/70-tarvo.rules", "share/doc/tarvo/README.md",
    ]
    missing = [name for name in wanted if not os.path.isfile(os.path.join(base, name))]
    if missing:
        raise Failure("missing below %s: %s" % (base, ", ".join(missing)))
    for program in ("bin/tarvo", "bin/tarvoctl", "libexec/tarvo/tarvo-fetch"):
        if not os.access(os.path.join(base, program), os.X_OK):
            raise Failure("%s is not executable" % program)
    mode = os.stat(os.path.join(base, "lib/udev/rules.d/70-tarvo.rules")).st_mode & 0o777
    if mode != 0o644:
        raise Failure("the udev rule has mode %o, expected 644" % mode)
    # Developer files stay in the source tree.
    strays = [name for name in os.listdir(os.path.join(base, "share/tarvo/language")) if not name.endswith(".lan")]
    if strays:
        raise Failure("share/tarvo/language holds %s" % ", ".join(strays))
    for dirpath, _, files in os.walk(base):
        if ".painted" in files:
            raise Failure("build marker installed in %s" % dirpath)
    return base


def check_versions(base, version):
    for program in ("tarvo", "tarvoctl"):
        # No DISPLAY, no XDG folders, no TARVO_*: --version must need none of them.
        result = run([os.path.join(base, "bin", program), "--version"], env=bare_env())
        if result.stdout != "%s %s\n" % (program, version):
            raise Failure("%s --version printed %r" % (program, result.stdout))
        result = run([os.path.join(base, "bin", program), "--help"], env=bare_env())
        if "Usage:" not in result.stdout:
            raise Failure("%s --help printed %r" % (program, result.stdout))


def check_fetch_helper(base):
    """The installed transfer helper runs and answers in frames: plain http is refused before any connection."""
    helper = os.path.join(base, "libexec/tarvo/tarvo-fetch")
    result = subprocess.run([helper, "--connect-ms=1000", "--", "http://127.0.0.1:9/"], capture_output=True,
                            env=bare_env(), timeout=60)
    out = result.stdout
    # One result frame: 'R', a 4-byte length, result -1 (failed), HTTP status 0, the error text.
    if result.returncode != 0 or len(out) < 13 or out[:1] != b"R" or int.from_bytes(out[1:5], "little") != len(out) - 5:
        raise Failure("tarvo-fetch answered %r (exit %d, stderr %r)" % (out, result.returncode, result.stderr))
    if int.from_bytes(out[5:9], "little", signed=True) != -1 or result.stderr:
        raise Failure("tarvo-fetch did not refuse plain http: %r %r" % (out, result.stderr))


def check_list_from(base, mousesim, hidsim, scratch):
    """The installed tarvoctl reads the installed config.xml: a model renamed there shows."""
    config = os.path.join(base, "share/tarvo/config.xml")
    text = open(config, encoding="utf-8").read()
    renamed = text.replace('name="Egret Pro"', 'name="Egret Pro (installed copy)"', 1)
    if renamed == text:
        raise Failure("config.xml has no Egret Pro to rename")
    open(config, "w", encoding="utf-8").write(renamed)
    socket = os.path.join(scratch, "sim.sock")
    runtime = os.path.join(scratch, "run")
    os.makedirs(runtime, mode=0o700)
    run([mousesim, "--socket=" + socket, "start"])
    try:
        run([mousesim, "--socket=" + socket, "plug", "egret", "cable"])
        env = bare_env(TARVO_SIM_SOCKET=socket, TARVO_HIDAPI_LIBRARY=hidsim, XDG_RUNTIME_DIR=runtime)
        result = run([os.path.join(base, "bin", "tarvoctl"), "--json", "list"], env=env)
        models = {m["device_type"]: m for m in json.loads(result.stdout)["models"]}
        egret = models.get(103)
        if not egret or egret["name"] != "Egret Pro (installed copy)":
            raise Failure("tarvoctl did not read the installed config.xml: %s" % (egret and egret["name"]))
        states = [c["state"] for c in egret["connections"]]
        if states != ["online"]:
            raise Failure("the simulated Egret Pro listed as %s" % states)
    finally:
        run([mousesim, "--socket=" + socket, "stop"], expect=None)


def check_install(build, version, mousesim, hidsim):
    cmake = need("cmake")
    with tempfile.TemporaryDirectory() as scratch:
        stage = os.path.join(scratch, "stage")
        # A prefix the programs were not built for: they must find their files anyway.
        prefix = "/opt/tarvo-check"
        run([cmake, "--install", build, "--prefix", prefix], env=dict(os.environ, DESTDIR=stage))
        base = expect_layout(stage, prefix)
        check_versions(base, version)
        check_fetch_helper(base)
        check_list_from(base, mousesim, hidsim, scratch)


def check_deb(build, version, mousesim, hidsim):
    cpack = need("cpack")
    dpkg_deb = need("dpkg-deb")
    need("dpkg-shlibdeps")
    with tempfile.TemporaryDirectory() as scratch:
        out = os.path.join(scratch, "out")
        run([cpack, "--config", os.path.join(build, "CPackConfig.cmake"), "-B", out], cwd=build)
        debs = [name for name in os.listdir(out) if name.endswith(".deb")]
        if len(debs) != 1:
            raise Failure("cpack made %s" % (debs or "no .deb"))
        deb = os.path.join(out, debs[0])
        if not re.match(r"tarvo_%s_[a-z0-9]+\.deb$" % re.escape(version), debs[0]):
            raise Failure("package file named %s" % debs[0])
        control = run([dpkg_deb, "--field", deb, "Package", "Version", "Depends"]).stdout
        fields = dict(line.split(": ", 1) for line in control.strip().split("\n"))
        if fields.get("Package") != "tarvo" or fields.get("Version") != version:
            raise Failure("control fields: %s" % fields)
        depends = fields.get("Depends", "")
        # Found by dpkg-shlibdeps from the programs themselves, plus hidapi and libcurl named by hand
        # (tarvo-fetch needs the release that added the protocol-list options).
        for library in ("libqt6core6", "libqt6widgets6", "libsqlite3-0", "libudev1", "libhidapi-hidraw0", "libcurl4"):
            if library not in depends:
                raise Failure("Depends lacks %s: %s" % (library, depends))
        root = os.path.join(scratch, "root")
        run([dpkg_deb, "-x", deb, root])
        base = expect_layout(root, "/usr")
        check_versions(base, version)
        check_fetch_helper(base)
        check_list_from(base, mousesim, hidsim, scratch)


def main(argv):
    if len(argv) < 3:
        print(__doc__)
        return 2
    try:
        if argv[1] == "desktop":
            check_desktop(argv[2])
        elif argv[1] == "metainfo":
            check_metainfo(argv[2], argv[3])
        elif argv[1] == "install":
            check_install(*argv[2:6])
        elif argv[1] == "deb":
            check_deb(*argv[2:6])
        else:
            print(__doc__)
            return 2
    except Failure as failure:
        print("check_packaging %s: %s" % (argv[1], failure))
        return 1
    print("check_packaging %s: OK" % argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
