"""What the web kit tests share: the running mail rig, a claimed mailbox, the kit served by
PHP's own server with mail() going to the rig's SMTP server, and plain HTTP requests."""
import base64
import glob
import hashlib
import hmac
import http.client
import os
import shutil
import socket
import subprocess
import tempfile
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(os.path.dirname(HERE))
SENDMAIL = os.path.join(TOP, "tests", "mail_rig", "sendmail_to_rig.py")


class Rig:
    """The rig ctest started (TIDEWELL_MAIL_RIG_DIR holds its rig.env)."""

    def __init__(self, directory):
        self.env = {}
        with open(os.path.join(directory, "rig.env")) as f:
            for line in f:
                key, _, value = line.strip().partition("=")
                self.env[key] = value
        self.dir = self.env["RIG_DIR"]

    def port(self, name):
        return int(self.env[name])

    def claim(self):
        """(user, password) of a mailbox no other test uses."""
        for i in range(1, int(self.env["POOL_SIZE"]) + 1):
            try:
                fd = os.open(os.path.join(self.dir, "claims", "box%02d" % i),
                             os.O_CREAT | os.O_EXCL | os.O_WRONLY, 0o644)
            except FileExistsError:
                continue
            os.close(fd)
            return "box%02d" % i, "pw%02d" % i
        raise RuntimeError("every mailbox of the rig is taken")

    def messages(self, user):
        """The raw bytes of every message in the mailbox (new and already downloaded)."""
        found = [path for sub in ("new", "cur")
                 for path in glob.glob(os.path.join(self.dir, "mail", user, "Maildir", sub, "*"))]
        return [read_bytes(path) for path in sorted(found, key=os.path.getmtime)]

    def wait_for(self, user, count, seconds=10):
        deadline = time.time() + seconds
        while time.time() < deadline and len(self.messages(user)) < count:
            time.sleep(0.05)
        return self.messages(user)


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class KitServer:
    """`php -S` over a folder holding the kit; mail() submits to the rig's plain SMTP port,
    or fails when sendmail is "fail"."""

    def __init__(self, folder, smtp_port, sendmail="rig", port=None):
        self.folder = folder
        self.port = port or free_port()
        path = "/bin/false" if sendmail == "fail" else "/usr/bin/python3 %s %d" % (SENDMAIL,
                                                                                 smtp_port)
        self.log = open(os.path.join(folder, "..", "php-%d.log" % self.port), "wb")
        self.proc = subprocess.Popen(
            ["php", "-d", "sendmail_path=" + path, "-d", "display_errors=stderr",
             "-S", "127.0.0.1:%d" % self.port, "-t", folder],
            stdin=subprocess.DEVNULL, stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.time() + 10
        while time.time() < deadline:
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return
            except OSError:
                time.sleep(0.05)
        self.stop()
        raise RuntimeError("php -S did not start")

    def request(self, method, path, body=None, headers=None):
        """(status, headers dict with lower-case names, body text); never follows redirects."""
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=20)
        if isinstance(body, dict):
            body = urllib.parse.urlencode(body)
            headers = dict(headers or {}, **{"Content-Type": "application/x-www-form-urlencoded"})
        conn.request(method, path, body=body, headers=headers or {})
        response = conn.getresponse()
        result = (response.status, {k.lower(): v for k, v in response.getheaders()},
                  response.read().decode("utf-8", "replace"))
        conn.close()
        return result

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.log.close()


def mac(secret_hex, data):
    digest = hmac.new(bytes.fromhex(secret_hex), data.encode(), hashlib.sha256).digest()[:16]
    return base64.urlsafe_b64encode(digest).decode().rstrip("=")


def token(secret_hex, address, title):
    return mac(secret_hex, address.lower() + "\n" + title)


def confirm_token(secret_hex, address, title):
    return mac(secret_hex, "confirm\n" + address.lower() + "\n" + title)


def form_stamp(secret_hex, seconds_ago=10):
    """The signed time email.php puts into a form shown seconds_ago."""
    shown = int(time.time()) - seconds_ago
    return "%d.%s" % (shown, mac(secret_hex, "form\n%d" % shown))


def lint(folder):
    """php -l of every page; the error text of the first that fails, else None."""
    for page in sorted(glob.glob(os.path.join(folder, "*.php"))):
        done = subprocess.run(["php", "-l", page], capture_output=True, text=True)
        if done.returncode != 0:
            return done.stdout + done.stderr
    return None


def temp_folder():
    path = tempfile.mkdtemp(prefix="tidewell-kit-")
    return path, lambda: shutil.rmtree(path, ignore_errors=True)
