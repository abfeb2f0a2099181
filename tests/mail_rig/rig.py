#!/usr/bin/python3
"""Test mail servers on 127.0.0.1 for the mail client tests.

  rig.py start DIR            certificates, dovecot (POP3 and IMAP), SMTP sink, scripted POP3
                              server, a TLS front to dovecot with another certificate,
                              OAuth2 authorization server (bearer log-in on both mail servers);
                              writes DIR/rig.env once every server answers
  rig.py stop DIR             stops every process the rig started, by its PID, and waits

Tests that run in parallel each claim a mailbox of their own from a pool made at start
(box01/pw01 ... ): dovecot takes a second or so to notice users added later. A claim is
the file DIR/claims/boxNN, created exclusively by the test process.

Everything runs as one unprivileged user: as root the servers drop to nobody/nogroup (dovecot
refuses to run its login process as root), otherwise they run as the calling user.
"""
import grp
import os
import pwd
import shutil
import signal
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PYTHON = "/usr/bin/python3"
BASE_USERS = [("list", "listpw"), ("alice", "alicepw"), ("bob", "bobpw")]
POOL_SIZE = 200
PORT_NAMES = ["POP_PLAIN_PORT", "POP_TLS_PORT", "SMTP_PLAIN_PORT", "SMTP_SUBMISSION_PORT",
              "SMTP_TLS_PORT", "SMTP_IDLE_PORT", "POP_NTLM_PORT", "POP_SILENT_PORT",
              "POP_DROP_PORT", "POP_SHORT_PORT", "CLOSED_PORT", "SMTP_REPLY_PORT",
              "OAUTH_PORT", "IMAP_PLAIN_PORT", "IMAP_TLS_PORT",
              "POP_OTHER_CERT_PORT"]


def is_root():
    return os.geteuid() == 0


def server_identity():
    """(user, group, uid, gid) the servers run as."""
    if is_root():
        return ("nobody", "nogroup", pwd.getpwnam("nobody").pw_uid, grp.getgrnam("nogroup").gr_gid)
    return (pwd.getpwuid(os.getuid()).pw_name, grp.getgrgid(os.getgid()).gr_name,
            os.getuid(), os.getgid())


def give_to_servers(path):
    if is_root():
        _, _, uid, gid = server_identity()
        os.chown(path, uid, gid)


def as_server_user(cmd):
    if is_root():
        return ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] + cmd
    return cmd


def free_ports(count):
    # Hold every socket until all are chosen so no port is handed out twice.
    socks, ports = [], []
    for _ in range(count):
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        socks.append(s)
        ports.append(s.getsockname()[1])
    for s in socks:
        s.close()
    return ports


def make_certificate(d, name="server"):
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30",
                    "-subj", "/CN=localhost",
                    "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1",
                    "-addext", "basicConstraints=critical,CA:TRUE",
                    "-keyout", os.path.join(d, name + ".key"),
                    "-out", os.path.join(d, name + ".crt")],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    for name in (name + ".key", name + ".crt"):
        os.chmod(os.path.join(d, name), 0o644)
        give_to_servers(os.path.join(d, name))


def make_maildir(d, name):
    home = os.path.join(d, "mail", name)
    for sub in ("", "Maildir", "Maildir/new", "Maildir/cur", "Maildir/tmp"):
        path = os.path.join(home, sub)
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


def oauth_config(env):
    # Bearer tokens are checked with the test authorization server's introspection.
    return f"""introspection_mode = post
introspection_url = http://127.0.0.1:{env['OAUTH_PORT']}/introspect
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
    return proc


def answers(port, deadline, greeting=True, tls=False):
    """Whether the port takes a connection (and, with greeting, says something) in time."""
    import ssl
    ctx = ssl.create_default_context()
    ctx.check_hostname = False
    ctx.verify_mode = ssl.CERT_NONE
    while time.time() < deadline:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1) as raw:
                s = ctx.wrap_socket(raw) if tls else raw
                if not greeting or s.recv(64):
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
    os.makedirs(d)
    os.chmod(d, 0o755)
    give_to_servers(d)
    for sub in ("run", "state", "mail", "claims"):
        os.makedirs(os.path.join(d, sub))
        give_to_servers(os.path.join(d, sub))
    env = dict(zip(PORT_NAMES, free_ports(len(PORT_NAMES))))
    make_certificate(d)
    make_certificate(d, "other")
    for name, password in BASE_USERS:
        add_user(d, name, password)
    for i in range(1, POOL_SIZE + 1):
        add_user(d, "box%02d" % i, "pw%02d" % i)
    with open(os.path.join(d, "dovecot.conf"), "w") as f:
        f.write(dovecot_config(d, env))
    with open(os.path.join(d, "dovecot-oauth2.conf.ext"), "w") as f:
        f.write(oauth_config(env))
    with open(os.path.join(d, "oauth.url"), "w") as f:
        f.write("http://127.0.0.1:%d" % env["OAUTH_PORT"])
    for name in ("dovecot.log", "smtp.log", "pop3script.log", "oauth.log"):
        open(os.path.join(d, name), "a").close()
        give_to_servers(os.path.join(d, name))

    spawn(d, "oauth", [PYTHON, os.path.join(HERE, "oauth_server.py"), str(env["OAUTH_PORT"])])
    spawn(d, "dovecot-run", as_server_user(["dovecot", "-c", os.path.join(d, "dovecot.conf"),
                                            "-F"]))
    spawn(d, "smtp", as_server_user([PYTHON, os.path.join(HERE, "smtp_sink.py"), d,
                                     str(env["SMTP_PLAIN_PORT"]),
                                     str(env["SMTP_SUBMISSION_PORT"]),
                                     str(env["SMTP_TLS_PORT"]), str(env["SMTP_IDLE_PORT"]),
                                     str(env["SMTP_REPLY_PORT"])]))
    spawn(d, "pop3script", [PYTHON, os.path.join(HERE, "scripted_pop3.py"),
                            str(env["POP_NTLM_PORT"]), str(env["POP_SILENT_PORT"]),
                            str(env["POP_DROP_PORT"]), str(env["POP_SHORT_PORT"])])
    # The same mailboxes behind another certificate, as after a server's certificate changed.
    spawn(d, "tlsproxy", [PYTHON, os.path.join(HERE, "tls_proxy.py"),
                          str(env["POP_OTHER_CERT_PORT"]), str(env["POP_PLAIN_PORT"]),
                          os.path.join(d, "other.crt"), os.path.join(d, "other.key")])

    deadline = time.time() + 15
    greeting_ports = ["POP_PLAIN_PORT", "SMTP_PLAIN_PORT", "SMTP_SUBMISSION_PORT",
                      "SMTP_IDLE_PORT", "POP_NTLM_PORT", "POP_DROP_PORT", "POP_SHORT_PORT",
                      "SMTP_REPLY_PORT", "IMAP_PLAIN_PORT"]
    ready = (all(answers(env[k], deadline) for k in greeting_ports)
             and all(answers(env[k], deadline, greeting=False)
                     for k in ("POP_SILENT_PORT", "OAUTH_PORT"))
             and all(answers(env[k], deadline, tls=True)
                     for k in ("POP_TLS_PORT", "SMTP_TLS_PORT", "IMAP_TLS_PORT",
                               "POP_OTHER_CERT_PORT")))
    if not ready:
        sys.stderr.write("mail rig: servers did not answer\n" + log_tail(d) + "\n")
        stop(d)
        return 1
    lines = ["RIG_DIR=" + d, "CA_FILE=" + os.path.join(d, "server.crt"),
             "POOL_SIZE=%d" % POOL_SIZE]
    lines += ["%s=%d" % (k, v) for k, v in env.items()]
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
    d = os.path.abspath(d)
    path = os.path.join(d, "pids")
    if not os.path.exists(path):
        return 0
    with open(path) as f:
        pids = [int(line.split()[0]) for line in f if line.strip()]
    for pid in pids:
        if running(pid):
            os.kill(pid, signal.SIGTERM)
    deadline = time.time() + 5
    while time.time() < deadline and any(running(p) for p in pids):
        time.sleep(0.05)
    for pid in pids:
        if running(pid):
            os.kill(pid, signal.SIGKILL)
    while any(running(p) for p in pids) and time.time() < deadline + 2:
        time.sleep(0.05)
    os.remove(path)
    try:
        os.remove(os.path.join(d, "rig.env"))
    except OSError:
        pass
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
