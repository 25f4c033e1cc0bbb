"""A private mount namespace for end-to-end tests that touch system state.

The namespace is made by testsupport/sandbox-run and kept alive by a holder
process; every command of a test enters it with nsenter, so an installation
and a later `--info` see the same private /etc, /tmp, /opt and /var/backups.
"""

import os
import shlex
import subprocess

import pexpect

SKIP_STATUS = 77
USER_PATH = "/usr/local/bin:/usr/bin:/bin"
ROOT_PATH = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"
# Programs copied into the sandbox so that every account can run them,
# whatever the permissions of the build directory.
BIN_DIR = "/home/qel-bin"
# What sandbox-run makes private; anything else written inside reaches the host.
PRIVATE_DIRS = ("/etc", "/tmp", "/opt", "/var/backups", "/home", "/var/log")


class SandboxUnavailable(Exception):
    """The sandbox cannot be made here (not root); the message says why."""


class Sandbox:
    def __init__(self, sandbox_run, keep=()):
        self.keep = [str(k) for k in keep]
        env = dict(os.environ)
        if keep:
            env["QEL_SANDBOX_KEEP"] = ":".join(self.keep)
        self._holder = subprocess.Popen(
            [str(sandbox_run), "sh", "-c", "echo ready; exec sleep 1000000"],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
            stderr=subprocess.PIPE, env=env, text=True)
        line = self._holder.stdout.readline()
        if line.strip() != "ready":
            status = self._holder.wait()
            message = self._holder.stderr.read().strip()
            if status == SKIP_STATUS:
                raise SandboxUnavailable(message)
            raise RuntimeError("sandbox-run failed (%d): %s" % (status, message))
        # unshare and the script exec into the holder, so its pid is ours.
        self.pid = self._holder.pid
        self.run(["mkdir", "-p", "-m", "0755", BIN_DIR])

    def close(self):
        if self._holder.poll() is None:
            self._holder.kill()
        self._holder.wait()
        self._holder.stdout.close()
        self._holder.stderr.close()

    # Commands -----------------------------------------------------------

    def command(self, argv, user=None, cwd="/", env=None):
        """The argument vector that runs argv inside the sandbox.

        As root the test's environment is kept; as a user the environment
        is that of a fresh login (HOME, USER, LOGNAME, PATH, TERM, LANG)
        plus `env`.
        """
        prefix = ["nsenter", "--mount", "--target", str(self.pid), "--"]
        if user is None:
            full = {"QEL_SANDBOX": "1"}
            full.update(env or {})
            assigns = ["%s=%s" % kv for kv in full.items()]
            return prefix + ["env", "--chdir", cwd] + assigns + list(argv)
        home = self.home(user)
        full = {"HOME": home, "USER": user, "LOGNAME": user, "PATH": USER_PATH,
                "TERM": os.environ.get("TERM", "xterm"), "LANG": "C.UTF-8",
                "QEL_SANDBOX": "1"}
        full.update(env or {})
        assigns = ["%s=%s" % kv for kv in full.items()]
        return prefix + ["setpriv", "--reuid", user, "--regid", self.group_of(user),
                         "--init-groups", "env", "-i", "--chdir", cwd] + assigns + list(argv)

    def run(self, argv, user=None, cwd="/", env=None, input=None, check=True,
            timeout=60):
        """Runs argv to its end; returns the CompletedProcess (text output)."""
        result = subprocess.run(self.command(argv, user, cwd, env), input=input,
                                capture_output=True, text=True, timeout=timeout)
        if check and result.returncode != 0:
            raise AssertionError("%s exited with %d:\n%s%s" % (
                shlex.join(argv), result.returncode, result.stdout, result.stderr))
        return result

    def sh(self, script, **kwargs):
        """Runs a shell script as root (or as `user=`)."""
        return self.run(["sh", "-c", script], **kwargs)

    def spawn(self, argv, user=None, cwd="/", env=None, timeout=30, **kwargs):
        """Starts argv in a pseudo-terminal, as root or as `user`."""
        full = self.command(argv, user, cwd, env)
        return pexpect.spawn(full[0], full[1:], encoding="utf-8", timeout=timeout,
                             dimensions=(24, 80), **kwargs)

    # Files ----------------------------------------------------------------

    def write_file(self, path, content, mode=0o644, owner="root:root"):
        """Writes content (str or bytes) to path inside the sandbox.

        Only below the private directories or a kept one: elsewhere the
        file would land on the host."""
        norm = os.path.normpath(path)
        if not any(norm == d or norm.startswith(d + "/") for d in PRIVATE_DIRS + tuple(self.keep)):
            raise ValueError("%s is not below the sandbox's private directories %s"
                             % (path, ", ".join(PRIVATE_DIRS)))
        data = content.encode() if isinstance(content, str) else content
        # Removed first: a symbolic link at path would carry the write elsewhere.
        script = 'umask 077 && mkdir -p "$(dirname "$1")" && rm -f "$1" && cat > "$1" && ' \
                 'chmod "$2" "$1" && chown "$3" "$1"'
        subprocess.run(self.command(["sh", "-c", script, "sh", path, "%o" % mode, owner]),
                       input=data, check=True, capture_output=True)

    def read_file(self, path):
        return self.run(["cat", path]).stdout

    def exists(self, path):
        return self.run(["test", "-e", path], check=False).returncode == 0

    def glob(self, pattern):
        """The paths matching a shell pattern inside the sandbox, sorted."""
        out = self.run(["sh", "-c", 'for p in %s; do [ -e "$p" ] && echo "$p"; done; true'
                        % pattern]).stdout
        return sorted(out.split())

    def provide(self, host_path, name=None):
        """Copies an executable into the sandbox where every account may run it."""
        name = name or os.path.basename(str(host_path))
        target = "%s/%s" % (BIN_DIR, name)
        with open(host_path, "rb") as f:
            self.write_file(target, f.read(), mode=0o755)
        return target

    # Accounts -------------------------------------------------------------

    def add_user(self, name, password, sudo=False):
        """Adds a normal account with a home directory and a password."""
        self.run(["useradd", "--create-home", "--shell", "/bin/sh", name])
        self.set_password(name, password)
        if sudo:
            self.allow_sudo(name)
        return name

    def set_password(self, name, password):
        self.run(["chpasswd"], input="%s:%s\n" % (name, password))

    def allow_sudo(self, name, rule="ALL=(ALL:ALL) ALL"):
        self.write_file("/etc/sudoers.d/qel-%s" % name, "%s %s\n" % (name, rule), mode=0o440)

    def home(self, name):
        return self._passwd(name)[5]

    def group_of(self, name):
        gid = self._passwd(name)[3]
        return self.run(["getent", "group", gid]).stdout.split(":")[0]

    def _passwd(self, name):
        return self.run(["getent", "passwd", name]).stdout.strip().split(":")
