#!/usr/bin/python3
"""Test mail servers on 127.0.0.1 for the mail client tests.

  rig.py start DIR   certificates, dovecot (POP3 and IMAP), SMTP sink, scripted POP3 server, a
                     TLS front to dovecot with another certificate, OAuth2 authorization server
                     (bearer log-in on both mail servers); writes DIR/rig.env once all answer
  rig.py stop DIR    stops every process the rig started, by its PID, and waits

Tests in parallel each claim a mailbox from a pool made at start (box01/pw01 ...; dovecot takes
a second or so to notice users added later): the claim is DIR/claims/boxNN, created exclusively.
As root the servers drop to nobody/nogroup (dovecot refuses to log in users as root).
"""
import grp
import os
import pwd
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PYTHON = "/usr/bin/python3"
BASE_USERS = [("list", "listpw"), ("alice", "alicepw"), ("bob", "bobpw")]
POOL_SIZE = 200
# Port -> how readiness is probed: "greet" (says something), "open" (takes a connection), "tls".
PORTS = {"POP_PLAIN_PORT": "greet", "POP_TLS_PORT": "tls", "SMTP_PLAIN_PORT": "greet",
         "SMTP_SUBMISSION_PORT": "greet", "SMTP_TLS_PORT": "tls", "SMTP_IDLE_PORT": "greet",
         "POP_NTLM_PORT": "greet", "POP_SILENT_PORT": "open", "POP_DROP_PORT": "greet",
         "POP_SHORT_PORT": "greet", "CLOSED_PORT": None, "SMTP_REPLY_PORT": "greet",
         "OAUTH_PORT": "open", "IMAP_PLAIN_PORT": "greet", "IMAP_TLS_PORT": "tls",
         "POP_OTHER_CERT_PORT": "tls"}
ROOT = os.geteuid() == 0


def server_identity():
    """(user, group, uid, gid) the servers run as."""
    if ROOT:
        return ("nobody", "nogroup", pwd.getpwnam("nobody").pw_uid, grp.getgrnam("nogroup").gr_gid)
    return (pwd.getpwuid(os.getuid()).pw_name, grp.getgrgid(os.getgid()).gr_name,
            os.getuid(), os.getgid())


def give_to_servers(path):
    if ROOT:
        os.chown(path, *server_identity()[2:])


def as_server_user(cmd):
    drop = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
    return drop + cmd if ROOT else cmd


def free_ports(count):
    # Hold every socket until all are chosen so no port is handed out twice.
    socks = [socket.socket() for _ in range(count)]
    for s in socks:
        s.bind(("127.0.0.1", 0))
    ports = [s.getsockname()[1] for s in socks]
    for s in socks:
        s.close()
    return ports


def make_certificate(d, name):
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30",
                    "-subj", "/CN=localhost",
                    "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1",
                    "-addext", "basicConstraints=critical,CA:TRUE",
                    "-keyout", os.path.join(d, name + ".key"),
                    "-out", os.path.join(d, name + ".crt")],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    for path in (os.path.join(d, name + ".key"), os.path.join(d, name + ".crt")):
        os.chmod(path, 0o644)
        give_to_servers(path)


def make_maildir(d, name):
    for sub in ("", "Maildir", "Maildir/new", "Maildir/cur", "Maildir/tmp"):
        path = os.path.join(d, "mail", name, sub)
        os.makedirs(path, exist_ok=True)
        os.chmod(path, 0o755)
        give_to_servers(path)


def add_user(d, name, password):
    make_maildir(d, name)
    with open(os.path.join(d, "users"), "a") as f:
        f.write("%s:{PLAIN}%s::::::\n" % (name, password))


def dovecot_config(d, env):
    user, group, _, _ = server_identity()
    return f"""instance_name = tidewell-test-{env['POP_PLAIN_PORT']}
base_dir = {d}/run
state_dir = {d}/state
log_path = {d}/dovecot.log
protocols = pop3 imap
listen = 127.0.0.1
default_internal_user = {user}
default_login_user = {user}
default_internal_group = {group}
ssl = yes
ssl_cert = <{d}/server.crt
ssl_key = <{d}/server.key
disable_plaintext_auth = no
auth_mechanisms = plain login xoauth2 oauthbearer
auth_failure_delay = 0
passdb {{
  driver = passwd-file
  args = scheme=PLAIN username_format=%u {d}/users
}}
passdb {{
  driver = oauth2
  mechanisms = xoauth2 oauthbearer
  args = {d}/dovecot-oauth2.conf.ext
}}
userdb {{
  driver = static
  args = uid={user} gid={group} home={d}/mail/%u
}}
mail_location = maildir:~/Maildir
service anvil {{
  chroot =
  unix_listener anvil-auth-penalty {{
    mode = 0
  }}
}}
service pop3-login {{
  chroot =
  inet_listener pop3 {{
    port = {env['POP_PLAIN_PORT']}
  }}
  inet_listener pop3s {{
    port = {env['POP_TLS_PORT']}
    ssl = yes
  }}
}}
service imap-login {{
  chroot =
  inet_listener imap {{
    port = {env['IMAP_PLAIN_PORT']}
  }}
  inet_listener imaps {{
    port = {env['IMAP_TLS_PORT']}
    ssl = yes
  }}
}}
"""


# Bearer tokens are checked with the test authorization server's introspection.
OAUTH_CONFIG = """introspection_mode = post
introspection_url = http://127.0.0.1:%d/introspect
username_attribute = username
active_attribute = active
active_value = true
force_introspection = yes
"""


def spawn(d, name, cmd):
    log = open(os.path.join(d, name + ".log"), "ab")
    proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                            start_new_session=True)
    with open(os.path.join(d, "pids"), "a") as f:
        f.write("%d %s\n" % (proc.pid, name))


def answers(port, how, deadline):
    """Whether the port takes a connection (and says something, or does TLS) in time."""
    ctx = ssl.create_default_context()
    ctx.check_hostname = False
    ctx.verify_mode = ssl.CERT_NONE
    while time.time() < deadline:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1) as raw:
                s = ctx.wrap_socket(raw) if how == "tls" else raw
                if how != "greet" or s.recv(64):
                    return True
        except OSError:
            pass
        time.sleep(0.05)
    return False


def log_tail(d):
    out = []
    for name in sorted(os.listdir(d)) if os.path.isdir(d) else []:
        if name.endswith(".log"):
            with open(os.path.join(d, name), errors="replace") as f:
                out.append("==> %s <==\n%s" % (name, f.read()[-3000:]))
    return "\n".join(out)


def start(d):
    d = os.path.abspath(d)
    if os.path.exists(os.path.join(d, "pids")):
        stop(d)
    shutil.rmtree(d, ignore_errors=True)
    for sub in ("", "run", "state", "mail", "claims"):
        os.makedirs(os.path.join(d, sub), exist_ok=True)
        give_to_servers(os.path.join(d, sub))
    os.chmod(d, 0o755)
    env = dict(zip(PORTS, free_ports(len(PORTS))))
    make_certificate(d, "server")
    make_certificate(d, "other")
    users = BASE_USERS + [("box%02d" % i, "pw%02d" % i) for i in range(1, POOL_SIZE + 1)]
    for name, password in users:
        add_user(d, name, password)
    files = {"dovecot.conf": dovecot_config(d, env),
             "dovecot-oauth2.conf.ext": OAUTH_CONFIG % env["OAUTH_PORT"],
             "oauth.url": "http://127.0.0.1:%d" % env["OAUTH_PORT"]}
    for name in ("dovecot.log", "smtp.log", "pop3script.log", "oauth.log"):
        files[name] = ""
    for name, text in files.items():
        with open(os.path.join(d, name), "a") as f:
            f.write(text)
        give_to_servers(os.path.join(d, name))

    def ports(*keys):
        return [str(env[k]) for k in keys]

    spawn(d, "oauth", [PYTHON, os.path.join(HERE, "oauth_server.py")] + ports("OAUTH_PORT"))
    spawn(d, "dovecot-run", as_server_user(["dovecot", "-c", os.path.join(d, "dovecot.conf"),
                                            "-F"]))
    spawn(d, "smtp", as_server_user([PYTHON, os.path.join(HERE, "smtp_sink.py"), d] + ports(
        "SMTP_PLAIN_PORT", "SMTP_SUBMISSION_PORT", "SMTP_TLS_PORT", "SMTP_IDLE_PORT",
        "SMTP_REPLY_PORT")))
    spawn(d, "pop3script", [PYTHON, os.path.join(HERE, "scripted_pop3.py")] + ports(
        "POP_NTLM_PORT", "POP_SILENT_PORT", "POP_DROP_PORT", "POP_SHORT_PORT"))
    # The same mailboxes behind another certificate, as after a server's certificate changed.
    spawn(d, "tlsproxy", [PYTHON, os.path.join(HERE, "tls_proxy.py")] + ports(
        "POP_OTHER_CERT_PORT", "POP_PLAIN_PORT") + [os.path.join(d, "other.crt"),
                                                    os.path.join(d, "other.key")])

    deadline = time.time() + 15
    if not all(answers(env[key], how, deadline) for key, how in PORTS.items() if how):
        sys.stderr.write("mail rig: servers did not answer\n" + log_tail(d) + "\n")
        stop(d)
        return 1
    lines = ["RIG_DIR=" + d, "CA_FILE=" + os.path.join(d, "server.crt"),
             "POOL_SIZE=%d" % POOL_SIZE] + ["%s=%d" % item for item in env.items()]
    with open(os.path.join(d, "rig.env.tmp"), "w") as f:
        f.write("\n".join(lines) + "\n")
    os.rename(os.path.join(d, "rig.env.tmp"), os.path.join(d, "rig.env"))
    return 0


def running(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            # A zombie has exited; only its parent's reaping is missing.
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def stop(d):
    path = os.path.join(os.path.abspath(d), "pids")
    if not os.path.exists(path):
        return 0
    with open(path) as f:
        pids = [int(line.split()[0]) for line in f if line.strip()]
    deadline = time.time() + 5
    for sig, until in ((signal.SIGTERM, deadline), (signal.SIGKILL, deadline + 2)):
        for pid in pids:
            if running(pid):
                os.kill(pid, sig)
        while time.time() < until and any(running(p) for p in pids):
            time.sleep(0.05)
    os.remove(path)
    if os.path.exists(os.path.join(d, "rig.env")):
        os.remove(os.path.join(d, "rig.env"))
    return 0


def main(argv):
    if len(argv) >= 3 and argv[1] == "start":
        try:
            return start(argv[2])
        except Exception as e:  # noqa: BLE001 - the caller shows this with the logs
            sys.stderr.write("mail rig: %s\n%s\n" % (e, log_tail(argv[2])))
            stop(argv[2])
            return 1
    if len(argv) >= 3 and argv[1] == "stop":
        return stop(argv[2])
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
