"""qelzopd, the demo product's daemon, as the payload ships it."""

import os
import signal
import subprocess

import pexpect
import pytest


@pytest.fixture
def qelzopd(build_dir):
    return build_dir / "lyninst" / "zop-installer_payload.payload" / "stage" / "qelinst" / "sbin" / "qelzopd"


def test_version(qelzopd):
    out = subprocess.run([str(qelzopd), "--version"], capture_output=True, text=True, check=True)
    assert out.stdout == "qelzopd (QEL Zonal Outpost Probe Server) 2.00\n"


# Its texts in English and German, with the catalogues of the tree it lies in.
TEXTS = {
    "C": {"usage": "usage: qelzopd [-f] [-c FILE] [-r DIR] | --version\n",
          "running": "running as process", "heartbeat": "heartbeat", "stopping": "stopping on"},
    "de_DE.UTF-8": {"usage": "Aufruf: qelzopd [-f] [-c DATEI] [-r VERZ] | --version\n",
                    "running": "läuft als Prozess", "heartbeat": "Herzschlag",
                    "stopping": "beendet sich wegen"},
}


def environment(lang):
    env = {k: v for k, v in os.environ.items() if not k.startswith("LC_")}
    env.pop("QEL_I18N_DIR", None)
    env["LANG"] = lang
    return env


@pytest.mark.parametrize("lang", sorted(TEXTS))
def test_bad_argument(qelzopd, lang):
    out = subprocess.run([str(qelzopd), "--bogus"], capture_output=True, text=True,
                         env=environment(lang))
    assert out.returncode == 2
    assert out.stderr == TEXTS[lang]["usage"]


@pytest.mark.parametrize("lang", sorted(TEXTS))
@pytest.mark.parametrize("sig, name", [(signal.SIGTERM, "SIGTERM"), (signal.SIGINT, "SIGINT")])
def test_foreground_until_signal(qelzopd, tmp_path, sig, name, lang):
    texts = TEXTS[lang]
    conf = tmp_path / "zop.conf"
    conf.write_text("# test\nprobe_interval = 1\n")
    run_dir = tmp_path / "run"
    child = pexpect.spawn(str(qelzopd), ["-f", "-c", str(conf), "-r", str(run_dir)],
                          encoding="utf-8", timeout=10, env=environment(lang))
    child.expect(r"qelzopd: %s (\d+)\r\n" % texts["running"])
    assert int(child.match.group(1)) == child.pid
    assert (run_dir / "qelzopd.pid").read_text() == "%d\n" % child.pid
    child.expect("qelzopd: %s 1\r\n" % texts["heartbeat"])
    child.expect("qelzopd: %s 2\r\n" % texts["heartbeat"])
    child.kill(sig)
    child.expect("qelzopd: %s %s\r\n" % (texts["stopping"], name))
    child.expect(pexpect.EOF)
    child.close()
    assert child.exitstatus == 0
    assert not (run_dir / "qelzopd.pid").exists()


def test_refuses_a_run_directory_it_cannot_write(qelzopd, tmp_path):
    (tmp_path / "file").write_text("")
    out = subprocess.run([str(qelzopd), "-f", "-r", str(tmp_path / "file" / "run")],
                         capture_output=True, text=True, timeout=30, env=environment("C"))
    assert out.returncode == 1
    assert out.stdout == "qelzopd: cannot write the pid file in %s\n" % (tmp_path / "file" / "run")
