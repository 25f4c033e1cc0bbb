"""qelzopd, the demo product's daemon, as the payload ships it."""

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


def test_bad_argument(qelzopd):
    out = subprocess.run([str(qelzopd), "--bogus"], capture_output=True, text=True)
    assert out.returncode == 2
    assert out.stderr.startswith("usage: qelzopd")


@pytest.mark.parametrize("sig, name", [(signal.SIGTERM, "SIGTERM"), (signal.SIGINT, "SIGINT")])
def test_foreground_until_signal(qelzopd, tmp_path, sig, name):
    conf = tmp_path / "zop.conf"
    conf.write_text("# test\nprobe_interval = 1\n")
    child = pexpect.spawn(str(qelzopd), ["-f", "-c", str(conf)], encoding="utf-8", timeout=10)
    child.expect(r"qelzopd: running as process (\d+)\r\n")
    assert int(child.match.group(1)) == child.pid
    child.expect("qelzopd: heartbeat 1\r\n")
    child.expect("qelzopd: heartbeat 2\r\n")
    child.kill(sig)
    child.expect("qelzopd: stopping on %s\r\n" % name)
    child.expect(pexpect.EOF)
    child.close()
    assert child.exitstatus == 0
